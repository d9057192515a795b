#pragma once
// The user's two answers to guard alerts: authorize (the item joins its guard's snapshot) and undo
// (the change is taken back in the registry, the file system or the browser settings). Undo touches
// only the places the guards watch, whatever the store says.
#include <vector>

#include "monitors/AlertStore.h"

namespace monitors {

struct AlertRow {
    GuardAlert alert;
    bool checked = false;
};

enum class Answer { Authorize, Undo };

// Answers every checked row. A handled row leaves the list; a row whose answer failed stays, with
// its check mark, and the failure is logged ("Method: Alerts cmdAuthorize_Click" or "Method: Alerts
// cmdDelete_Click"). Then the store is rewritten from the rows left (SaveAlertStore). Returns the
// number of rows handled.
int AnswerCheckedRows(std::vector<AlertRow>& rows, Answer answer);

// One alert; true when it is handled (its row leaves the list). Throws base::RuntimeError for a
// failure, and for an alert that names no watched place.
bool AuthorizeOne(const GuardAlert& alert);
bool UndoOne(const GuardAlert& alert);

}  // namespace monitors
