/*
** plot_diagrams.h: the diagrams the plot loop drives (chemistry, pie,
** drill holes): each has a setup dialog that the plot options dialog opens
** with the query's row, and argument-less stages that work on the
** diagram's own state: a per-row stage after every fetched row and a
** finishing stage after the last one.
**
**     if (pv_piediagram_dialog(row) >= 0) {          // the state is set
**         ... each row: if (pie_plot_row() >= 0) plotted++;
**         pie_plot_end();
**     }
**
** Dialogs answer 0 after OK, -1 after cancel or a failure, -2 without a
** row. A stage succeeds when its result is not negative.
*/
#ifndef PV_OUTPUT_PLOT_DIAGRAMS_H
#define PV_OUTPUT_PLOT_DIAGRAMS_H

struct sql_col_rec;

/* Chemistry diagrams. */
int chem_dialog_run(sql_col_rec *row);
int chem_plot_row(void);
int chem_plot_end(void);

/* Pie diagrams. */
int pv_piediagram_dialog(sql_col_rec *row);
int pie_plot_row(void);
int pie_plot_end(void);

/* Drill holes: a row's stage answers 0 when it finished the hole before
** it; the finishing stage answers 0 when it finished the last hole. */
int pv_dhole_dialog(sql_col_rec *row);
int ddh_plot_row(void);
int ddh_plot_end(void);

#endif
