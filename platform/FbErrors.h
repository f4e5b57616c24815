#pragma once
// Errors of the Firebird client: the status vector raised as EIBError with the client's own text
// and every GDS code, which tell a row the database refuses from a failure of the database.

#include "Errors.h"

#include <ibase.h>

// `preparing`: the error came while a statement was prepared, before any row was sent.
[[noreturn]] void RaiseStatus(const ISC_STATUS* status, bool preparing = false);

// Raises the status vector when it holds an error.
inline void CheckStatus(const ISC_STATUS* status) {
    if (status[0] == 1 && status[1] != 0) RaiseStatus(status);
}

// The same for the calls that prepare and describe a statement.
inline void CheckPrepare(const ISC_STATUS* status) {
    if (status[0] == 1 && status[1] != 0) RaiseStatus(status, true);
}
