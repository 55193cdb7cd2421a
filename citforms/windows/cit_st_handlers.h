#pragma once
// What the CIT-ST window (CIT_ST_201) does beyond the form engine, and the "CIT-ST" button of
// the CIT-8 window; registered by the tables of window_handlers.cpp.
//
// The window's values (form CIT-ST-window) are positions 1 to 25 of the CIT-ST, the row
// chosen in the list of branches (26) and that branch's employees (27): `cells` fills them
// when the window opens, gives the list its rows, and puts what is typed back into the
// CIT-ST's position or the chosen branch.
#include "citforms/windows/form_window.h"
#include "citforms/windows/window_handlers.h"

namespace citforms::windows::citst_window {

void cells(FormWindow& w, WindowSession& s, int field);
void officePicker(FormWindow& w, WindowSession& s);
// "Wybierz oddziały firmy": the host's branch chooser, then the marked branches in the order
// of their commune code; position 22 takes their employees.
void pickBranches(FormWindow& w, WindowSession& s);
// "Drukuj CIT-ST nr..." / "Drukuj CIT-ST/A nr...": the copy (a pop-up menu "1 / N|…" when
// there is more than one), the checks, the host's print parameters, the print of that copy.
void printCitSt(FormWindow& w, WindowSession& s);
void printCitSta(FormWindow& w, WindowSession& s);
// "Zapisz": the checks, then the save; the window closes with the id once it was saved and
// stays open with its values when the save was refused or failed.
void save(FormWindow& w, WindowSession& s);
// The CIT-8 window's "CIT-ST": the linked CIT-ST, a new one, or one linked now.
void cit8CitSt(FormWindow& w, WindowSession& s);

}  // namespace citforms::windows::citst_window
