// a prototype, a dialog using it, and nested rows
pv_title : text { key = "title"; label = ""; width = 40; }
pv_try : dialog {
  label = "Try";
  pv_title;
  : row {
    : edit_box { key = "name"; label = "Name:"; edit_width = 12; }
    : toggle { key = "on"; label = "On"; value = "1"; }
  }
  : list_box { key = "items"; height = 5; multiple_select = true; }
  ok_cancel;
  errtile;
}
