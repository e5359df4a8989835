
/* ---- Shared tile styles ------------------------------------------------ */

pv_btn : button { width = 12; fixed_width = true; }
pv_list : list_box { width = 32; height = 8; }
pv_popup : popup_list { width = 32; }
pv_edit : edit_box { edit_width = 24; edit_limit = 255; }
pv_short : edit_box { edit_width = 10; edit_limit = 32; }
pv_label : text { width = 32; }
pv_err : text { key = "error"; width = 60; label = ""; }
pv_img : image_button { width = 8; height = 4; color = 0; }
pv_imglabel : text { width = 8; label = ""; }
pv_exit : button { key = "exit"; label = "Exit"; is_cancel = true; width = 12; fixed_width = true; }
pv_ok_cancel_err : column { ok_cancel; pv_err; }

/* ---- Core: logon, authorisation, setup, message boxes ------------------ */

pv_logon : dialog {
  label = "Petrivex Logon";
  : pv_list { key = "project"; label = "Project:"; }
  : pv_popup { key = "env"; label = "Environment:"; }
  : pv_edit { key = "user"; label = "User:"; }
  : pv_edit { key = "password"; label = "Password:"; password_char = "*"; }
  pv_ok_cancel_err;
}

pv_auth : dialog {
  label = "Database Logon";
  : pv_label { key = "title"; label = ""; }
  : pv_edit { key = "user"; label = "User:"; }
  : pv_edit { key = "password"; label = "Password:"; password_char = "*"; }
  pv_ok_cancel_err;
}

pv_setup : dialog {
  label = "Petrivex Setup";
  : pv_popup { key = "project"; label = "Project:"; }
  : boxed_column {
    label = "Map and coordinates";
    : pv_btn { key = "map"; label = "Map..."; }
    : pv_btn { key = "datum"; label = "Datum..."; }
    : pv_btn { key = "projection"; label = "Projection..."; }
    : pv_btn { key = "transform"; label = "Transformation..."; }
  }
  : boxed_column {
    label = "Tables and symbols";
    : pv_btn { key = "symlib"; label = "Symbol libraries..."; }
    : pv_btn { key = "tblsetup"; label = "Table setup..."; }
    : pv_btn { key = "symsetup"; label = "Symbol setup..."; }
  }
  pv_exit;
  pv_err;
}

pv_msg_box : dialog {
  label = "Petrivex";
  : pv_label { key = "title"; width = 60; }
  pv_err;
  ok_only;
}

pv_msg_line : text { width = 40; label = ""; }
pv_msg_line_m : text { width = 55; label = ""; }
pv_msg_line_l : text { width = 70; label = ""; }
pv_msg_title : text { key = "title"; width = 40; label = ""; }

pv_ok_small : dialog { label = "Petrivex"; pv_msg_title;
  : pv_msg_line { key = "line1"; } : pv_msg_line { key = "line2"; }
  ok_only; }
pv_ok_medium : dialog { label = "Petrivex"; pv_msg_title;
  : pv_msg_line_m { key = "line1"; } : pv_msg_line_m { key = "line2"; }
