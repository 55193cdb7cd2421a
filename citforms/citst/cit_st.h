#pragma once
// The CIT-ST information (template 201) and its CIT-STA annex: the working set of one CIT-ST
// (the header values ZVST, positions 1 to 25 of the CIT-ST form, with its ORD-ZU, and the
// branch list ODDZIALY_CIT_ST), its save and load, the header defaults, and the print cells of
// one CIT-ST form copy (VST, 18 branches) or CIT-STA copy (VSTA, 5 branches).
//
// Stored form: one DEKLARACJE_NAG header (INFO_2 'CIT-ST') and DEKLARACJE_POZ rows on sheet 0
// with NR_POLA written with seven digits: the header values at 1..25, branch k at 83 + 17k + i
// for member i = 1..17 of the form file's branch group. The ORD-ZU texts of a correction go to
// DEKLARACJE_ZALACZNIK.
//
//   store::DeclarationFields zvst(201);
//   store::CitStBranches branches;
//   citst::loadCitSt(host, 12, zvst, branches);
//   std::vector<std::string> vst = citst::citStCopyCells(zvst, branches, 2, 3);  // copy 2 of 3
#include <cstdint>
#include <string>
#include <vector>

#include "citforms/host/binding.h"
#include "citforms/store/cit_st_branch.h"
#include "citforms/store/declaration_fields.h"
#include "citforms/store/declaration_save.h"
#include "citforms/values/result.h"

namespace citforms::citst {

inline constexpr int kBranchesPerCitSt = 18;
inline constexpr int kBranchesPerCitSta = 5;
inline constexpr int kCitStCells = 170;
inline constexpr int kCitStaCells = 90;  // 6 rows of 15: cell [r, c] is 15(r - 1) + c

// Form copies that `branches` branches need at `perCopy` a copy: none without branches.
int copiesFor(std::size_t branches, int perCopy);

// NR_POLA of position `n` as stored: seven digits with leading zeros.
std::string positionNumber(int n);
// Position of member i (1..17) of branch k (from 1).
int branchPosition(int k, int i);

// Stored text of member i of a branch, and a stored text put back into member i (cut to the
// member's capacity; numbers that are not numbers read as 0).
std::string branchValue(const store::CitStBranch& branch, int i);
void setBranchValue(store::CitStBranch& branch, int i, std::string_view text);

// Saves the working set as declaration `id`, or as a new one when `id` is 0: header, every
// position and the ORD-ZU of a correction in one transaction. A locked declaration is refused
// (outcome Locked, nothing written); any failed statement undoes the whole save.
store::SaveResult saveCitSt(const host::HostBinding& host, store::DeclarationFields& zvst,
                            const store::CitStBranches& branches, std::int32_t id);

// Loads stored CIT-ST `id`: every value goes to the field or branch member its position
// number names, so a missing row leaves only its own field empty. Branches are those whose
// rows are stored, in the order of their numbers; a row of no field or of no branch a save
// could have written is named in zvst.issues.ignored and left out. A failed query is the
// database's text (the set is then incomplete).
values::Status loadCitSt(const host::HostBinding& host, std::int32_t id,
                         store::DeclarationFields& zvst, store::CitStBranches& branches);

// Header of a new standalone CIT-ST: the company's data for the last day of the current month,
// the period from the start of the fiscal year to that day, first submission, with the advance
// payment, filled today; the ORD-ZU justification is emptied. What the company lacks is
// returned as warnings.
std::vector<std::string> standaloneDefaults(const host::HostBinding& host,
                                            store::DeclarationFields& zvst);
// Header of a new CIT-ST made from an open CIT-8 of `cit8Template` (72 or 73): identification,
// period, office and address from the return, its date of filling (position 149 of edition 24,
// 146 of edition 23), first submission, with the CIT-8 return.
void defaultsFromCit8(const store::FieldSet& cit8, std::int32_t cit8Template,
                      store::DeclarationFields& zvst);

// Sum of the branches' employees as decimal text.
std::string employeeSum(const store::CitStBranches& branches);

// Print cells of CIT-ST copy `form` of `forms` (index 0 unused, 1..170).
std::vector<std::string> citStCopyCells(const store::DeclarationFields& zvst,
                                        const store::CitStBranches& branches, int form,
                                        int forms);
// Print cells of CIT-STA copy `form` (index 0 unused, 1..90).
std::vector<std::string> citStaCopyCells(const store::DeclarationFields& zvst,
                                         const store::CitStBranches& branches, int form);

}  // namespace citforms::citst
