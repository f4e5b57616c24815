#include "FbErrors.h"

#include "Win1252.h"

#include <QStringList>
#include <algorithm>
#include <span>
#include <vector>

void RaiseStatus(const ISC_STATUS* status, bool preparing) {
    QStringList lines;
    char buf[1024];
    const ISC_STATUS* p = status;
    // The engine writes what it quotes (a refused value, a name) in the connection's character set,
    // the one every text crosses the client in: never in the locale's.
    while (fb_interpret(buf, sizeof buf, &p) > 0)
        lines << FromWin1252(buf, static_cast<qsizetype>(qstrlen(buf)));
    long sqlcode = isc_sqlcode(status);
    // Every error code of the vector, up to its warnings: the first one alone may only say
    // "arithmetic exception" or "deadlock" where a later one says what happened.
    std::vector<long> codes;
    for (const ISC_STATUS* a = status; *a != isc_arg_end && *a != isc_arg_warning;) {
        const ISC_STATUS kind = *a++;
        if (kind == isc_arg_gds) codes.push_back(static_cast<long>(*a));
        a += kind == isc_arg_cstring ? 2 : 1;
    }
    throw EIBError(lines.join('\n'), status[1], sqlcode, std::move(codes), preparing);
}

namespace {
// The connection itself is gone: the engine shut down, the server or the network lost. Once the
// engine has shut down, the client declares every handle it gave out invalid, so a statement, a
// transaction, a request or a blob on a lost connection fails with its handle's code alone.
constexpr long kConnectionLost[] = {isc_bad_db_handle,      isc_bad_trans_handle,  isc_bad_stmt_handle,
                                    isc_bad_req_handle,     isc_bad_segstr_handle, isc_att_shutdown,
                                    isc_shutdown,           isc_shutinprog,        isc_network_error,
                                    isc_net_read_err,       isc_net_write_err,     isc_net_server_shutdown,
                                    isc_lost_db_connection, isc_conn_lost,         isc_unavailable};

// Whether any of the codes stands among these.
bool AnyAmong(const std::vector<long>& codes, std::span<const long> among) {
    return std::ranges::any_of(codes, [&](long c) { return std::ranges::find(among, c) != among.end(); });
}
} // namespace

bool EIBError::IsRefusal() const {
    // Whatever the database raises while it executes one row's statement belongs to that row: a
    // constraint, a value its column cannot hold, a failure of one of the destination's own
    // triggers ("multiple rows in singleton select", an exception, a conversion). Only a failure
    // that lies elsewhere ends the work: the same row may be written later, and the next row would
    // meet the same failure. A lost connection is such a failure too.
    static constexpr long kFailures[] = {
        // another transaction
        isc_lock_conflict, isc_deadlock, isc_update_conflict, isc_lock_timeout, isc_concurrent_transaction,
        // the disk
        isc_io_error, isc_io_create_err, isc_io_open_err, isc_io_close_err, isc_io_read_err, isc_io_write_err,
        isc_io_delete_err, isc_io_access_err, isc_io_32bit_exceeded_err, isc_sys_request,
        // connecting, cancel and a request out of step
        isc_net_connect_err, isc_cancelled, isc_req_sync,
        // permissions and a database that cannot be written
        isc_no_priv, isc_no_write_user_priv, isc_read_only_database, isc_read_only_trans, isc_read_only,
        // the engine
        isc_bug_check, isc_virmemexh, isc_db_corrupt, isc_corrupt, isc_metadata_corrupt, isc_badpage,
        isc_no_lock_mgr, isc_lockmanerr};
    // A statement that cannot be prepared (an unknown table or column) would fail every row; an
    // error without a database code is the client's own.
    if (preparing_ || gdsCodes_.empty()) return false;
    return !AnyAmong(gdsCodes_, kFailures) && !AnyAmong(gdsCodes_, kConnectionLost);
}

bool EIBError::IsConnectionLost() const {
    return AnyAmong(gdsCodes_, kConnectionLost);
}
