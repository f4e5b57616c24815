#include "Firebird.h"

#include "FbErrors.h"
#include "Text.h"
#include "Win1252.h"

#include <QFile>

namespace {
constexpr unsigned short kDialect = SQL_DIALECT_V6;
constexpr short kOctets = 1; // the character set of raw bytes

[[noreturn]] void ParamOutOfRange(const TValue& v, int index) {
    throw EParameterRangeError(ValueText(v), index);
}

// A flag written as a letter goes into a BOOLEAN column as true or false: S (sim) and T (true)
// are true, N (não) and F (false) are false; a number is true unless it is 0. Any other text is
// no flag, and the row is not written.
bool ParamBoolean(const TValue& v, int index) {
    if (auto text = std::get_if<QString>(&v)) {
        if (*text == "S" || *text == "T") return true;
        if (*text == "N" || *text == "F") return false;
        throw EParameterRangeError(QuotedStr(*text), index,
                                   QStringLiteral("is not a valid boolean value for"));
    }
    std::optional<int64_t> x = ParamScaled(v, 0);
    if (!x) ParamOutOfRange(v, index);
    return *x != 0;
}

[[noreturn]] void Unsupported(const char* what, short type) {
    throw EIBError(QString("Unsupported %1 type %2").arg(what).arg(type), 0, 0);
}
} // namespace

// --- attachment -------------------------------------------------------------------------------

FbAttachment::~FbAttachment() {
    if (handle_) {
        ISC_STATUS_ARRAY st;
        isc_detach_database(st, &handle_);
    }
}

void FbAttachment::Attach(const QString& path, const QString& user, const QString& password,
                          const QString& charset, bool garbageCollection) {
    QByteArray dpb;
    auto add = [&](char tag, const QByteArray& v) {
        dpb.append(tag);
        dpb.append(static_cast<char>(v.size()));
        dpb.append(v);
    };
    dpb.append(static_cast<char>(isc_dpb_version1));
    add(isc_dpb_user_name, user.toLatin1());
    add(isc_dpb_password, password.toLatin1());
    add(isc_dpb_lc_ctype, charset.toLatin1());
    if (!garbageCollection) add(isc_dpb_no_garbage_collect, {});
    QByteArray file = QFile::encodeName(path);
    ISC_STATUS_ARRAY st;
    isc_db_handle h = 0;
    isc_attach_database(st, 0, file.constData(), &h, static_cast<short>(dpb.size()), dpb.constData());
    CheckStatus(st);
    handle_ = h;
}

void FbAttachment::Create(const QString& path, const QString& user, const QString& password,
                          const QString& charset, unsigned short dialect) {
    QString sql = QString("CREATE DATABASE %1 USER %2 PASSWORD %3 PAGE_SIZE 8192 DEFAULT CHARACTER SET %4")
                      .arg(QuotedStr(path), QuotedStr(user), QuotedStr(password), charset);
    QByteArray text = QFile::encodeName(sql);
    ISC_STATUS_ARRAY st;
    isc_db_handle h = 0;
    isc_tr_handle tr = 0;
    isc_dsql_execute_immediate(st, &h, &tr, 0, text.constData(), dialect, nullptr);
    CheckStatus(st);
    handle_ = h;
}

void FbAttachment::Detach() {
    if (!handle_) return;
    ISC_STATUS_ARRAY st;
    isc_detach_database(st, &handle_);
    handle_ = 0; // a failed detach leaves nothing usable behind
    CheckStatus(st);
}

bool FbAttachment::ForcedWrites() {
    static const char items[] = {isc_info_forced_writes, isc_info_end};
    char buffer[16] = {};
    ISC_STATUS_ARRAY st;
    isc_database_info(st, &handle_, static_cast<short>(sizeof items), items, static_cast<short>(sizeof buffer),
                      buffer);
    CheckStatus(st);
    if (buffer[0] != isc_info_forced_writes) return true; // not told: assume the safe way
    const short length = static_cast<short>(isc_vax_integer(buffer + 1, 2));
    return isc_vax_integer(buffer + 3, length) != 0;
}

void FbAttachment::Ping() {
    ISC_STATUS_ARRAY st;
    fb_ping(st, &handle_);
    CheckStatus(st);
}

std::unordered_map<int, uint64_t> FbAttachment::WriteCounts() {
    static const char items[] = {isc_info_insert_count, isc_info_update_count, isc_info_delete_count,
                                 isc_info_end};
    std::vector<char> buffer(8192);
    for (;;) {
        ISC_STATUS_ARRAY st;
        isc_database_info(st, &handle_, static_cast<short>(sizeof items), items,
                          static_cast<short>(buffer.size()), buffer.data());
        CheckStatus(st);
        std::unordered_map<int, uint64_t> counts;
        const char* p = buffer.data();
        const char* end = p + buffer.size();
        bool truncated = false;
        while (p < end && *p != isc_info_end) {
            const char item = *p++;
            if (item == isc_info_truncated || end - p < 2) {
                truncated = true;
                break;
            }
            const int length = static_cast<int>(isc_vax_integer(p, 2));
            p += 2;
            if (end - p < length) {
                truncated = true;
                break;
            }
            // Pairs of a 2-byte relation id and a 4-byte count.
            for (int i = 0; i + 6 <= length; i += 6)
                counts[static_cast<int>(isc_vax_integer(p + i, 2))] +=
                    static_cast<uint32_t>(isc_vax_integer(p + i + 2, 4));
            p += length;
        }
        if (!truncated) return counts;
        if (buffer.size() >= 32000)
            throw EIBError("The database's write counts do not fit their buffer", 0, 0);
        buffer.resize(32000); // the most a call can take
    }
}

// --- transaction ------------------------------------------------------------------------------

FbTransaction::~FbTransaction() {
    if (handle_) {
        ISC_STATUS_ARRAY st;
        isc_rollback_transaction(st, &handle_);
    }
}

void FbTransaction::Start(FbAttachment& db) {
    static const char tpb[] = {isc_tpb_version3, isc_tpb_write, isc_tpb_read_committed, isc_tpb_rec_version,
                               isc_tpb_nowait};
    ISC_STATUS_ARRAY st;
    isc_start_transaction(st, &handle_, 1, db.Handle(), static_cast<unsigned short>(sizeof tpb), tpb);
    CheckStatus(st);
}

void FbTransaction::CommitRetaining() {
    ISC_STATUS_ARRAY st;
    isc_commit_retaining(st, &handle_);
    CheckStatus(st);
}

void FbTransaction::RollbackRetaining() {
    ISC_STATUS_ARRAY st;
    isc_rollback_retaining(st, &handle_);
    CheckStatus(st);
}

void FbTransaction::Commit() {
    ISC_STATUS_ARRAY st;
    isc_commit_transaction(st, &handle_);
    CheckStatus(st);
    handle_ = 0;
}

void FbTransaction::Rollback() {
    ISC_STATUS_ARRAY st;
    isc_rollback_transaction(st, &handle_);
    CheckStatus(st);
    handle_ = 0;
}

// --- statement --------------------------------------------------------------------------------

struct FbStatement::Sqlda {
    std::vector<char> raw;
    std::vector<std::vector<int64_t>> data; // 8-byte aligned buffers, one per variable
    std::vector<QByteArray> text;           // parameter text kept alive until execution
    std::vector<short> ind;
    std::vector<ISC_SHORT> describedType, describedLength; // as the server described them

    explicit Sqlda(int n) { Resize(n); }
    XSQLDA* get() { return reinterpret_cast<XSQLDA*>(raw.data()); }
    void Resize(int n) {
        raw.assign(XSQLDA_LENGTH(n < 1 ? 1 : n), 0);
        get()->version = SQLDA_VERSION1;
        get()->sqln = static_cast<ISC_SHORT>(n < 1 ? 1 : n);
    }
    // Points each variable at a buffer that fits its declared type.
    void Allocate() {
        XSQLDA* d = get();
        data.assign(d->sqld, {});
        text.assign(d->sqld, {});
        ind.assign(d->sqld, 0);
        describedType.assign(d->sqld, 0);
        describedLength.assign(d->sqld, 0);
        for (int i = 0; i < d->sqld; ++i) {
            XSQLVAR& v = d->sqlvar[i];
            describedType[i] = v.sqltype;
            describedLength[i] = v.sqllen;
            size_t bytes = static_cast<size_t>(v.sqllen) + ((v.sqltype & ~1) == SQL_VARYING ? 2 : 0);
            data[i].assign(bytes / 8 + 1, 0);
            v.sqldata = reinterpret_cast<char*>(data[i].data());
            v.sqlind = &ind[i];
        }
    }
};

FbStatement::FbStatement(FbAttachment& db, FbTransaction& tr, const QString& sql)
    : db_(db), sql_(sql), in_(std::make_unique<Sqlda>(8)), out_(std::make_unique<Sqlda>(16)) {
    ISC_STATUS_ARRAY st;
    isc_dsql_allocate_statement(st, db.Handle(), &handle_);
    CheckStatus(st);
    QByteArray text = ToWin1252(sql);
    isc_dsql_prepare(st, tr.Handle(), &handle_, 0, text.constData(), kDialect, out_->get());
    CheckPrepare(st);
    AllocateOutput();

    isc_dsql_describe_bind(st, &handle_, SQLDA_VERSION1, in_->get());
    CheckPrepare(st);
    if (in_->get()->sqld > in_->get()->sqln) {
        in_->Resize(in_->get()->sqld);
        isc_dsql_describe_bind(st, &handle_, SQLDA_VERSION1, in_->get());
        CheckPrepare(st);
    }
    in_->Allocate();

    char items[] = {isc_info_sql_stmt_type};
    char buf[32] = {};
    isc_dsql_sql_info(st, &handle_, sizeof items, items, sizeof buf, buf);
    CheckPrepare(st);
    if (buf[0] == isc_info_sql_stmt_type) {
        short len = static_cast<short>(isc_vax_integer(buf + 1, 2));
        long type = isc_vax_integer(buf + 3, len);
        isSelect_ = type == isc_info_sql_stmt_select || type == isc_info_sql_stmt_select_for_upd;
        returnsRow_ = type == isc_info_sql_stmt_exec_procedure && !columns_.empty();
    }
}

void FbStatement::AllocateOutput() {
    XSQLDA* d = out_->get();
    if (d->sqld > d->sqln) {
        out_->Resize(d->sqld);
        ISC_STATUS_ARRAY st;
        isc_dsql_describe(st, &handle_, SQLDA_VERSION1, out_->get());
        CheckPrepare(st);
        d = out_->get();
    }
    out_->Allocate();
    columns_.clear();
    for (int i = 0; i < d->sqld; ++i) {
        const XSQLVAR& v = d->sqlvar[i];
        QString alias = FromWin1252(v.aliasname, v.aliasname_length);
        columns_.push_back({alias, static_cast<short>(v.sqltype & ~1), v.sqlscale, v.sqllen});
    }
}

FbStatement::~FbStatement() {
    if (handle_ && db_.Attached()) {
        ISC_STATUS_ARRAY st;
        isc_dsql_free_statement(st, &handle_, DSQL_drop);
    }
}

void FbStatement::BindParams(std::span<const TValue> params) {
    XSQLDA* d = in_->get();
    if (static_cast<int>(params.size()) != d->sqld)
        throw EIBError(QString("Statement expects %1 parameters, %2 given").arg(d->sqld).arg(params.size()),
                       0, 0);
    for (int i = 0; i < d->sqld; ++i) {
        XSQLVAR& v = d->sqlvar[i];
        const TValue& val = params[i];
        // A text parameter rewrites its variable; start each run from the described type.
        v.sqltype = static_cast<ISC_SHORT>(in_->describedType[i] | 1);
        v.sqllen = in_->describedLength[i];
        v.sqldata = reinterpret_cast<char*>(in_->data[i].data());
        if (IsNull(val)) {
            in_->ind[i] = -1;
            continue;
        }
        in_->ind[i] = 0;
        try {
            BindParam(i, val);
        } catch (const EConvertError& e) {
            // The value itself names what it could not become; the caller adds where it went.
            throw EParameterRangeError(e.Message(), i, QStringLiteral("for"));
        }
    }
}

void FbStatement::BindParam(int i, const TValue& val) {
    XSQLVAR& v = in_->get()->sqlvar[i];
    short type = static_cast<short>(v.sqltype & ~1);
    auto asScaled = [&](int decimals) -> int64_t {
        std::optional<int64_t> x = ParamScaled(val, decimals);
        if (!x) ParamOutOfRange(val, i);
        return *x;
    };
    auto asDate = [&]() -> ISC_DATE {
        std::optional<int32_t> day = ParamIscDate(val);
        if (!day) ParamOutOfRange(val, i);
        return *day;
    };
    switch (type) {
    case SQL_TEXT:
    case SQL_VARYING: {
        in_->text[i] = ToWin1252(ParamText(val));
        v.sqltype = SQL_TEXT | 1;
        v.sqllen = static_cast<ISC_SHORT>(in_->text[i].size());
        v.sqldata = in_->text[i].data();
        break;
    }
    case SQL_SHORT: {
        int64_t x = asScaled(-v.sqlscale);
        if (x < INT16_MIN || x > INT16_MAX) ParamOutOfRange(val, i);
        *reinterpret_cast<ISC_SHORT*>(v.sqldata) = static_cast<ISC_SHORT>(x);
        break;
    }
    case SQL_LONG: {
        int64_t x = asScaled(-v.sqlscale);
        if (x < INT32_MIN || x > INT32_MAX) ParamOutOfRange(val, i);
        *reinterpret_cast<ISC_LONG*>(v.sqldata) = static_cast<ISC_LONG>(x);
        break;
    }
    case SQL_INT64:
        *reinterpret_cast<ISC_INT64*>(v.sqldata) = asScaled(-v.sqlscale);
        break;
    case SQL_FLOAT:
        *reinterpret_cast<float*>(v.sqldata) = static_cast<float>(ParamDouble(val));
        break;
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
        *reinterpret_cast<double*>(v.sqldata) = ParamDouble(val);
        break;
    case SQL_TYPE_DATE:
        *reinterpret_cast<ISC_DATE*>(v.sqldata) = asDate();
        break;
    case SQL_TYPE_TIME:
        *reinterpret_cast<ISC_TIME*>(v.sqldata) = ParamIscTime(val);
        break;
    case SQL_TIMESTAMP: {
        auto* ts = reinterpret_cast<ISC_TIMESTAMP*>(v.sqldata);
        ts->timestamp_date = asDate();
        ts->timestamp_time = ParamIscTime(val);
        break;
    }
    case SQL_BOOLEAN:
        *reinterpret_cast<FB_BOOLEAN*>(v.sqldata) = ParamBoolean(val, i);
        break;
    case SQL_BLOB:
        *reinterpret_cast<ISC_QUAD*>(v.sqldata) = WriteBlob(BlobBytes(val, v.sqlsubtype));
        break;
    case SQL_NULL:
        in_->ind[i] = -1;
        break;
    default:
        Unsupported("parameter", type);
    }
}

void FbStatement::Execute(FbTransaction& tr, std::span<const TValue> params) {
    if (cursorOpen_) CloseCursor();
    tr_ = &tr; // the BLOBs of its parameters and of its rows are written and read there
    BindParams(params);
    ISC_STATUS_ARRAY st;
    if (returnsRow_) {
        returned_.clear();
        isc_dsql_execute2(st, tr.Handle(), &handle_, SQLDA_VERSION1, in_->get(), out_->get());
        CheckStatus(st);
        ReadOutput(returned_);
        return;
    }
    isc_dsql_execute(st, tr.Handle(), &handle_, SQLDA_VERSION1, in_->get());
    CheckStatus(st);
    cursorOpen_ = isSelect_;
}

bool FbStatement::Fetch(std::vector<TValue>& row) {
    if (!cursorOpen_) return false;
    ISC_STATUS_ARRAY st;
    ISC_STATUS rc = isc_dsql_fetch(st, &handle_, SQLDA_VERSION1, out_->get());
    if (rc == 100) {
        CloseCursor();
        return false;
    }
    CheckStatus(st);
    ReadOutput(row);
    return true;
}

void FbStatement::ReadOutput(std::vector<TValue>& row) {
    XSQLDA* d = out_->get();
    row.resize(d->sqld);
    for (int i = 0; i < d->sqld; ++i) {
        const XSQLVAR& v = d->sqlvar[i];
        if ((v.sqltype & 1) && *v.sqlind < 0) {
            row[i] = std::monostate{};
            continue;
        }
        short type = static_cast<short>(v.sqltype & ~1);
        int decimals = -v.sqlscale;
        auto exact = [&](int64_t raw) -> TValue {
            if (decimals == 0) return raw;
            return ScaledToCurrency(raw, decimals, columns_[i].name);
        };
        switch (type) {
        case SQL_TEXT: {
            // A fixed-width column pads what it stores with blanks, and the pad is no part of the
            // value; OCTETS pads with NUL bytes, which belong to what it compares.
            int len = v.sqllen;
            if ((v.sqlsubtype & 0xFF) != kOctets)
                while (len > 0 && v.sqldata[len - 1] == ' ')
                    --len;
            row[i] = FromWin1252(v.sqldata, len);
            break;
        }
        case SQL_VARYING: {
            auto len = *reinterpret_cast<const ISC_SHORT*>(v.sqldata);
            row[i] = FromWin1252(v.sqldata + 2, len);
            break;
        }
        case SQL_SHORT:
            row[i] = exact(*reinterpret_cast<const ISC_SHORT*>(v.sqldata));
            break;
        case SQL_LONG:
            row[i] = exact(*reinterpret_cast<const ISC_LONG*>(v.sqldata));
            break;
        case SQL_INT64:
            row[i] = exact(*reinterpret_cast<const ISC_INT64*>(v.sqldata));
            break;
        case SQL_FLOAT:
            row[i] = static_cast<double>(*reinterpret_cast<const float*>(v.sqldata));
            break;
        case SQL_DOUBLE:
        case SQL_D_FLOAT:
            row[i] = *reinterpret_cast<const double*>(v.sqldata);
            break;
        case SQL_TYPE_DATE:
            row[i] = FromIscDateTime(*reinterpret_cast<const ISC_DATE*>(v.sqldata), 0);
            break;
        case SQL_TYPE_TIME:
            row[i] = FromDayAndTime(0, *reinterpret_cast<const ISC_TIME*>(v.sqldata));
            break;
        case SQL_TIMESTAMP: {
            const auto* ts = reinterpret_cast<const ISC_TIMESTAMP*>(v.sqldata);
            row[i] = FromIscDateTime(ts->timestamp_date, ts->timestamp_time);
            break;
        }
        case SQL_BOOLEAN:
            row[i] = static_cast<int64_t>(*reinterpret_cast<const FB_BOOLEAN*>(v.sqldata) != 0);
            break;
        case SQL_BLOB:
            row[i] = BlobValue(ReadBlob(*reinterpret_cast<const ISC_QUAD*>(v.sqldata)), v.sqlsubtype);
            break;
        default:
            Unsupported("column", type);
        }
    }
}

void FbStatement::CloseCursor() {
    if (!cursorOpen_) return;
    cursorOpen_ = false;
    ISC_STATUS_ARRAY st;
    isc_dsql_free_statement(st, &handle_, DSQL_close);
    CheckStatus(st);
}

long FbStatement::RowsAffected() {
    char items[] = {isc_info_sql_records};
    char buf[64] = {};
    ISC_STATUS_ARRAY st;
    isc_dsql_sql_info(st, &handle_, sizeof items, items, sizeof buf, buf);
    CheckStatus(st);
    if (buf[0] != isc_info_sql_records) return 0;
    long total = 0;
    const char* p = buf + 3;
    while (*p != isc_info_end && p < buf + sizeof buf - 3) {
        char item = *p++;
        short len = static_cast<short>(isc_vax_integer(p, 2));
        p += 2;
        long count = isc_vax_integer(p, len);
        p += len;
        if (item == isc_info_req_insert_count || item == isc_info_req_update_count ||
            item == isc_info_req_delete_count)
            total += count;
    }
    return total;
}
