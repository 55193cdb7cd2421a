#pragma once
// What went wrong with the values of the open declaration while it was loaded or computed:
// stored text that could not be read as the field's class, text longer than its field, and
// statements that gave no usable amount. A window marks these fields for the person to
// correct; automation refuses to save over a declaration that has any of them, so a stored
// amount is never replaced by the 0 it was read as.
//
//   if (!fields.issues.loadClean()) refuse(fields.issues.describeLoad());
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace citforms::store {

struct DeclarationIssues {
    // "CIT-8 poz. 31", "CIT-8/O poz. 12", "CIT-D 2 poz. 7", "ORD-ZU poz. 13".
    std::vector<std::string> unreadable;        // not a number; now 0
    std::vector<std::string> cut;               // longer than the field; beginning kept
    std::vector<std::string> failedStatements;  // statement failed or out of range; now 0
    std::vector<std::string> failedReads;       // company data that could not be read; empty
    // Stored rows that belong to no field of the form (a CIT-ST position of no branch a save
    // could have written): left out of the values, and gone with the next save.
    std::vector<std::string> ignored;
    bool incomplete = false;                    // a read error ended the load early

    void clearLoad() {
        unreadable.clear();
        cut.clear();
        ignored.clear();
        incomplete = false;
    }
    bool loadClean() const { return unreadable.empty() && cut.empty() && !incomplete; }
    bool computationClean() const { return failedStatements.empty() && failedReads.empty(); }
    // The positions a failed computation or read left without a value, statements first.
    std::vector<std::string> notComputed() const {
        std::vector<std::string> names = failedStatements;
        for (const std::string& name : failedReads)
            if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
        return names;
    }
    // A value typed into the position `name` ("CIT-8 poz. 31") is a value again.
    void typed(const std::string& name) {
        std::erase(failedStatements, name);
        std::erase(failedReads, name);
    }
    // The values of the declaration are read or computed afresh: no failure stays.
    void clearFailures() {
        failedStatements.clear();
        failedReads.clear();
    }
    // The failures of a computation or read of the form `form` alone replace that form's
    // earlier ones in `list` (failedStatements or failedReads).
    static void replaceOf(std::vector<std::string>& list, std::string_view form,
                          const std::vector<std::string>& names) {
        const std::string prefix = std::string(form) + " poz. ";
        std::erase_if(list, [&](const std::string& n) { return n.rfind(prefix, 0) == 0; });
        list.insert(list.end(), names.begin(), names.end());
    }

    // One line naming every field of a list: "CIT-8 poz. 31, CIT-8 poz. 32".
    static std::string join(const std::vector<std::string>& names) {
        std::string text;
        for (const std::string& name : names) {
            if (!text.empty()) text += ", ";
            text += name;
        }
        return text;
    }
};

}  // namespace citforms::store
