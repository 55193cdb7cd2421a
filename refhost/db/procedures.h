#pragma once
// The host's stored procedures and database functions, written once over HostDatabase so
// that every engine runs the same code:
//
//   CALL ZESTAWIENIE_DEKLARACJA_DODAJ (firma, udziałowiec, użytkownik, wzorzec, okres, wzór)
//       creates a declaration header (id and LP as maximum plus one inside one writing
//       transaction), copies the statement definitions; one row: the new id.
//   CALL ZESTAWIENIE_DD_OBLICZ (firma, od, do, deklaracja, 'kod', użytkownik, '')
//       evaluates the declaration's statement for one field code over the books; one row,
//       one amount ("1234.56"); problems go to KOMUNIKAT (kontekst 'ZESTAW').
//   CALL DEKLARACJE_OBLICZ_SUME (firma, udziałowiec, definicja, od, do, rodzaj, 'CIT')
//       kind 1: the sum of the deduction components dated after `od` up to `do`; one
//       amount. kind 0: revenue, costs and income of an income-source definition.
//   CALL TG_UPGRADE7810_PITCIT (deklaracja)
//       replaces the declaration's statement definitions by its template's default set.
//   select dbo.TG_GetMalyPodatnikStan(firma, dzień)
//       1 when the company is a small taxpayer in that day's year, else 0.
#include "refhost/sql/procedure_set.h"

namespace refhost::db {

const sql::ProcedureSet& hostProcedures();

}  // namespace refhost::db
