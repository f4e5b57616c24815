#include "FbErrors.h"

#include <QStringList>
#include <algorithm>
#include <span>
#include <vector>

void RaiseStatus(const ISC_STATUS* status) {
    QStringList lines;
    char buf[1024];
    const ISC_STATUS* p = status;
    while (fb_interpret(buf, sizeof buf, &p) > 0)
        lines << QString::fromLocal8Bit(buf);
    long sqlcode = isc_sqlcode(status);
    // Every error code of the vector, up to its warnings: the first one alone may only say
    // "arithmetic exception" or "deadlock" where a later one says what happened.
    std::vector<long> codes;
    for (const ISC_STATUS* a = status; *a != isc_arg_end && *a != isc_arg_warning;) {
        const ISC_STATUS kind = *a++;
        if (kind == isc_arg_gds) codes.push_back(static_cast<long>(*a));
        a += kind == isc_arg_cstring ? 2 : 1;
    }
    throw EIBError(lines.join('\n'), status[1], sqlcode, std::move(codes));
}

bool EIBError::IsRefusal() const {
    // The row breaks a rule of the table or does not fit a column: sending it again would be
    // refused again, while the next row may well be written.
    static constexpr long kRefusals[] = {isc_unique_key_violation,
                                         isc_no_dup,
                                         isc_foreign_key,
                                         isc_check_constraint,
                                         isc_not_valid,
                                         isc_not_valid_for,
                                         isc_not_valid_for_var,
                                         isc_except,
                                         isc_except2,
                                         isc_arith_except,
                                         isc_string_truncation,
                                         isc_numeric_out_of_range,
                                         isc_convert_error,
                                         isc_transliteration_failed};
    // The failure lies elsewhere (another transaction, the disk, the connection, the engine): the
    // same row may be written later, and the next row would meet the same failure.
    static constexpr long kFailures[] = {isc_lock_conflict,
                                         isc_deadlock,
                                         isc_update_conflict,
                                         isc_lock_timeout,
                                         isc_concurrent_transaction,
                                         isc_io_error,
                                         isc_io_write_err,
                                         isc_io_read_err,
                                         isc_sys_request,
                                         isc_bug_check,
                                         isc_network_error,
                                         isc_net_read_err,
                                         isc_net_write_err,
                                         isc_lost_db_connection,
                                         isc_shutdown,
                                         isc_att_shutdown,
                                         isc_shutinprog,
                                         isc_cancelled,
                                         isc_bad_db_handle,
                                         isc_read_only_database};
    auto holds = [this](std::span<const long> set) {
        return std::ranges::any_of(gdsCodes_, [&](long c) { return std::ranges::find(set, c) != set.end(); });
    };
    return holds(kRefusals) && !holds(kFailures);
}
