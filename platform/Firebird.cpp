#include "Firebird.h"

#include "Errors.h"
#include "Text.h"
#include "Win1252.h"

#include <QFile>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
constexpr int64_t kMjdOf18991230 = 15018; // ISC_DATE counts days from 1858-11-17
constexpr unsigned short kDialect = SQL_DIALECT_V6;

int64_t Pow10(int n) {
    int64_t p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

// An exact numeric as the database shows it: 999999999999999.999 for 999999999999999999 with 3 places.
QString ScaledText(int64_t raw, int decimals) {
    const uint64_t magnitude = raw < 0 ? 0 - static_cast<uint64_t>(raw) : static_cast<uint64_t>(raw);
    QString digits = QString::number(magnitude).rightJustified(decimals + 1, '0');
    if (decimals > 0) digits.insert(digits.size() - decimals, '.');
    return raw < 0 ? '-' + digits : digits;
}

// An exact numeric with `decimals` places as a four-decimal value (more places round, halves to even).
TCurrency ScaledToCurrency(int64_t raw, int decimals, const QString& column) {
    if (decimals <= 4) {
        int64_t units = 0;
        if (__builtin_mul_overflow(raw, Pow10(4 - decimals), &units))
            throw ERangeError(
                QString("%1 in column %2 does not fit a money value").arg(ScaledText(raw, decimals), column));
        return TCurrency::FromUnits(units);
    }
    int64_t div = Pow10(decimals - 4);
    int64_t q = raw / div, r = raw % div;
    int64_t twice = (r < 0 ? -r : r) * 2;
    if (twice > div || (twice == div && q % 2 != 0)) q += raw < 0 ? -1 : 1;
    return TCurrency::FromUnits(q);
}

// A four-decimal value into a column with `decimals` places; fewer places cut toward zero. False
// when the result does not fit 64 bits.
bool CurrencyToScaled(TCurrency c, int decimals, int64_t& scaled) {
    if (decimals <= 4) {
        scaled = c.units / Pow10(4 - decimals);
        return true;
    }
    return !__builtin_mul_overflow(c.units, Pow10(decimals - 4), &scaled);
}

[[noreturn]] void ParamOutOfRange(const TValue& v, int index) {
    throw EParameterRangeError(ValueText(v), index);
}

void Check(const ISC_STATUS* status) {
    if (status[0] == 1 && status[1] != 0) RaiseStatus(status);
}

[[noreturn]] void Unsupported(const char* what, short type) {
    throw EIBError(QString("Unsupported %1 type %2").arg(what).arg(type), 0, 0);
}
} // namespace

std::optional<int64_t> ParamScaled(const TValue& v, int decimals) {
    if (auto p = std::get_if<TCurrency>(&v)) {
        int64_t scaled = 0;
        if (!CurrencyToScaled(*p, decimals, scaled)) return std::nullopt;
        return scaled;
    }
    if (auto p = std::get_if<double>(&v)) {
        if (decimals == 0) return Int64FromWhole(std::trunc(*p));
        try {
            return ParamScaled(TValue{TCurrency::FromDouble(*p)}, decimals);
        } catch (const ERangeError&) {
            return std::nullopt;
        }
    }
    int64_t whole = 0;
    if (auto p = std::get_if<int64_t>(&v))
        whole = *p;
    else if (auto p = std::get_if<QString>(&v))
        whole = StrToInt64(*p);
    else
        throw EIBError("A date cannot be written into a numeric parameter", 0, 0);
    int64_t scaled = 0;
    if (__builtin_mul_overflow(whole, Pow10(decimals), &scaled)) return std::nullopt;
    return scaled;
}

double ParamDouble(const TValue& v) {
    if (auto p = std::get_if<double>(&v)) return *p;
    if (auto p = std::get_if<int64_t>(&v)) return static_cast<double>(*p);
    if (auto p = std::get_if<TCurrency>(&v)) return p->ToDouble();
    if (auto p = std::get_if<TDateTime>(&v)) return p->value;
    return std::get<QString>(v).toDouble();
}

QString ParamText(const TValue& v) {
    if (auto p = std::get_if<QString>(&v)) return *p;
    if (auto p = std::get_if<int64_t>(&v)) return QString::number(*p);
    if (auto p = std::get_if<TCurrency>(&v)) return p->ToString();
    return QString::number(ParamDouble(v), 'g', 17);
}

TDateTime ParamDateTime(const TValue& v) {
    if (auto p = std::get_if<TDateTime>(&v)) return *p;
    return TDateTime{ParamDouble(v)};
}

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

// --- attachment -------------------------------------------------------------------------------

FbAttachment::~FbAttachment() {
    if (handle_) {
        ISC_STATUS_ARRAY st;
        isc_detach_database(st, &handle_);
    }
}

void FbAttachment::Attach(const QString& path, const QString& user, const QString& password,
                          const QString& charset) {
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
    QByteArray file = QFile::encodeName(path);
    ISC_STATUS_ARRAY st;
    isc_db_handle h = 0;
    isc_attach_database(st, 0, file.constData(), &h, static_cast<short>(dpb.size()), dpb.constData());
    Check(st);
    handle_ = h;
}

void FbAttachment::Create(const QString& path, const QString& user, const QString& password,
                          const QString& charset) {
    QString sql = QString("CREATE DATABASE %1 USER %2 PASSWORD %3 PAGE_SIZE 8192 DEFAULT CHARACTER SET %4")
                      .arg(QuotedStr(path), QuotedStr(user), QuotedStr(password), charset);
    QByteArray text = QFile::encodeName(sql);
    ISC_STATUS_ARRAY st;
    isc_db_handle h = 0;
    isc_tr_handle tr = 0;
    isc_dsql_execute_immediate(st, &h, &tr, 0, text.constData(), kDialect, nullptr);
    Check(st);
    handle_ = h;
}

void FbAttachment::Detach() {
    if (!handle_) return;
    ISC_STATUS_ARRAY st;
    isc_detach_database(st, &handle_);
    handle_ = 0; // a failed detach leaves nothing usable behind
    Check(st);
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
    Check(st);
}

void FbTransaction::CommitRetaining() {
    ISC_STATUS_ARRAY st;
    isc_commit_retaining(st, &handle_);
    Check(st);
}

void FbTransaction::Commit() {
    ISC_STATUS_ARRAY st;
    isc_commit_transaction(st, &handle_);
    Check(st);
    handle_ = 0;
}

void FbTransaction::Rollback() {
    ISC_STATUS_ARRAY st;
    isc_rollback_transaction(st, &handle_);
    Check(st);
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
    Check(st);
    QByteArray text = ToWin1252(sql);
    isc_dsql_prepare(st, tr.Handle(), &handle_, 0, text.constData(), kDialect, out_->get());
    Check(st);
    AllocateOutput();

    isc_dsql_describe_bind(st, &handle_, SQLDA_VERSION1, in_->get());
    Check(st);
    if (in_->get()->sqld > in_->get()->sqln) {
        in_->Resize(in_->get()->sqld);
        isc_dsql_describe_bind(st, &handle_, SQLDA_VERSION1, in_->get());
        Check(st);
    }
    in_->Allocate();

    char items[] = {isc_info_sql_stmt_type};
    char buf[32] = {};
    isc_dsql_sql_info(st, &handle_, sizeof items, items, sizeof buf, buf);
    Check(st);
    if (buf[0] == isc_info_sql_stmt_type) {
        short len = static_cast<short>(isc_vax_integer(buf + 1, 2));
        long type = isc_vax_integer(buf + 3, len);
        isSelect_ = type == isc_info_sql_stmt_select || type == isc_info_sql_stmt_select_for_upd;
    }
}

void FbStatement::AllocateOutput() {
    XSQLDA* d = out_->get();
    if (d->sqld > d->sqln) {
        out_->Resize(d->sqld);
        ISC_STATUS_ARRAY st;
        isc_dsql_describe(st, &handle_, SQLDA_VERSION1, out_->get());
        Check(st);
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
        short type = static_cast<short>(v.sqltype & ~1);
        auto asScaled = [&](int decimals) -> int64_t {
            std::optional<int64_t> x = ParamScaled(val, decimals);
            if (!x) ParamOutOfRange(val, i);
            return *x;
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
            *reinterpret_cast<ISC_DATE*>(v.sqldata) =
                static_cast<ISC_DATE>(DatePart(ParamDateTime(val)) + kMjdOf18991230);
            break;
        case SQL_TYPE_TIME:
            *reinterpret_cast<ISC_TIME*>(v.sqldata) =
                static_cast<ISC_TIME>(TimeOfDayUnits(ParamDateTime(val)));
            break;
        case SQL_TIMESTAMP: {
            TDateTime dt = ParamDateTime(val);
            auto* ts = reinterpret_cast<ISC_TIMESTAMP*>(v.sqldata);
            ts->timestamp_date = static_cast<ISC_DATE>(DatePart(dt) + kMjdOf18991230);
            ts->timestamp_time = static_cast<ISC_TIME>(TimeOfDayUnits(dt));
            break;
        }
        case SQL_BOOLEAN:
            *reinterpret_cast<FB_BOOLEAN*>(v.sqldata) = asScaled(0) != 0;
            break;
        case SQL_NULL:
            in_->ind[i] = -1;
            break;
        default:
            Unsupported("parameter", type);
        }
    }
}

void FbStatement::Execute(FbTransaction& tr, std::span<const TValue> params) {
    if (cursorOpen_) CloseCursor();
    BindParams(params);
    ISC_STATUS_ARRAY st;
    isc_dsql_execute(st, tr.Handle(), &handle_, SQLDA_VERSION1, in_->get());
    Check(st);
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
    Check(st);
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
        case SQL_TEXT:
            row[i] = FromWin1252(v.sqldata, v.sqllen);
            break;
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
            row[i] = FromDayAndTime(*reinterpret_cast<const ISC_DATE*>(v.sqldata) - kMjdOf18991230, 0);
            break;
        case SQL_TYPE_TIME:
            row[i] = FromDayAndTime(0, *reinterpret_cast<const ISC_TIME*>(v.sqldata));
            break;
        case SQL_TIMESTAMP: {
            const auto* ts = reinterpret_cast<const ISC_TIMESTAMP*>(v.sqldata);
            row[i] = FromDayAndTime(ts->timestamp_date - kMjdOf18991230, ts->timestamp_time);
            break;
        }
        case SQL_BOOLEAN:
            row[i] = static_cast<int64_t>(*reinterpret_cast<const FB_BOOLEAN*>(v.sqldata) != 0);
            break;
        default:
            Unsupported("column", type);
        }
    }
    return true;
}

void FbStatement::CloseCursor() {
    if (!cursorOpen_) return;
    cursorOpen_ = false;
    ISC_STATUS_ARRAY st;
    isc_dsql_free_statement(st, &handle_, DSQL_close);
    Check(st);
}

long FbStatement::RowsAffected() {
    char items[] = {isc_info_sql_records};
    char buf[64] = {};
    ISC_STATUS_ARRAY st;
    isc_dsql_sql_info(st, &handle_, sizeof items, items, sizeof buf, buf);
    Check(st);
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
