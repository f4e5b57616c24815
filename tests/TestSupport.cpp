#include "TestSupport.h"

#include "Errors.h"
#include "Schema.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <csignal>

namespace {
const QString kTemplates = QStringLiteral(TEMPLATE_DIR);
}

Db::Db(const QString& path) {
    db_.Attach(path, "SYSDBA", "masterkey", "WIN1252");
}

Db::~Db() = default;

void Db::Exec(const QString& sql, const std::vector<TValue>& params) {
    FbTransaction tr;
    tr.Start(db_);
    FbStatement st(db_, tr, sql);
    st.Execute(tr, params);
    tr.Commit();
}

std::vector<TRow> Db::Rows(const QString& sql, const std::vector<TValue>& params) {
    FbTransaction tr;
    tr.Start(db_);
    std::vector<TRow> rows;
    {
        FbStatement st(db_, tr, sql);
        st.Execute(tr, params);
        TRow row;
        while (st.Fetch(row))
            rows.push_back(row);
    }
    tr.Commit();
    return rows;
}

TValue Db::Scalar(const QString& sql, const std::vector<TValue>& params) {
    auto rows = Rows(sql, params);
    return rows.empty() || rows[0].empty() ? TValue{} : rows[0][0];
}

int64_t Db::Count(const QString& table, const QString& where) {
    return Int(Scalar("SELECT COUNT(*) FROM " + table + (where.isEmpty() ? QString() : " WHERE " + where)));
}

void Db::Insert(const QString& table, const std::vector<std::pair<QString, TValue>>& columns) {
    QStringList names, marks;
    std::vector<TValue> values;
    for (const auto& [name, value] : columns) {
        names << name;
        marks << "?";
        values.push_back(value);
    }
    Exec("INSERT INTO " + table + " (" + names.join(", ") + ") VALUES (" + marks.join(", ") + ")", values);
}

QStringList Db::Lines(const QString& sql, const std::vector<TValue>& params) {
    QStringList out;
    for (const TRow& r : Rows(sql, params)) {
        QStringList cols;
        for (const TValue& v : r)
            cols << (IsNull(v) ? QString("NULL") : Str(v));
        out << cols.join('|');
    }
    return out;
}

QString Str(const TValue& v) {
    if (auto p = std::get_if<QString>(&v)) return *p;
    if (auto p = std::get_if<int64_t>(&v)) return QString::number(*p);
    if (auto p = std::get_if<TCurrency>(&v)) return p->ToString();
    if (auto p = std::get_if<double>(&v)) return QString::number(*p);
    return {};
}

int64_t Int(const TValue& v) {
    if (auto p = std::get_if<int64_t>(&v)) return *p;
    if (auto p = std::get_if<TCurrency>(&v)) return p->units / TCurrency::kScale;
    if (auto p = std::get_if<double>(&v)) return static_cast<int64_t>(*p);
    return 0;
}

double Num(const TValue& v) {
    if (auto p = std::get_if<int64_t>(&v)) return static_cast<double>(*p);
    if (auto p = std::get_if<TCurrency>(&v)) return p->ToDouble();
    if (auto p = std::get_if<double>(&v)) return *p;
    if (auto p = std::get_if<TDateTime>(&v)) return p->value;
    return 0;
}

TDateTime Day(int year, int month, int day, int hour, int minute, int second) {
    return EncodeDateTime({year, month, day}, {hour, minute, second, 0});
}

void MigrationTest::SetUp() {
    ASSERT_TRUE(dir_.isValid());
    ASSERT_TRUE(QFile::copy(kTemplates + "/LOJA.GDB", LojaPath()));
    ASSERT_TRUE(QFile::copy(kTemplates + "/KELMOR.FDB", KelmorPath()));
    QFile::setPermissions(LojaPath(), QFile::ReadOwner | QFile::WriteOwner);
    QFile::setPermissions(KelmorPath(), QFile::ReadOwner | QFile::WriteOwner);
}

void MigrationTest::TearDown() {
    form_.reset();
    loja_.reset();
    kelmor_.reset();
}

Db& MigrationTest::Loja() {
    if (!loja_) loja_ = std::make_unique<Db>(LojaPath());
    return *loja_;
}

const ReportStep& StepNamed(const Report& report, const QString& name) {
    for (const ReportStep& s : report.steps)
        if (s.name == name) return s;
    throw Exception("the report has no step " + name);
}

bool AddsUp(const ReportStep& s) {
    return s.read == s.migrated + s.refused + s.failed + s.leftOut + s.notReached;
}

const ReportLoss* LossOf(const Report& report, const QString& step, const QString& key) {
    for (const ReportLoss& l : report.losses)
        if (l.step == step && l.key == key) return &l;
    return nullptr;
}

QString ReportText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QStringList JobReports(const QString& dir) {
    QStringList out;
    for (const QString& name :
         QDir(dir).entryList({"Importacao-*.txt"}, QDir::Files, QDir::Time | QDir::Reversed))
        out << dir + '/' + name;
    return out;
}

ShownBox Shown(const QString& text, TMsgIcon icon) {
    static const QString kReport = "Relatório: ";
    const qsizetype at = text.lastIndexOf('\n' + kReport);
    if (at < 0) return {text, icon, {}};
    QString shown = text.left(at);
    if (shown.endsWith('\n')) shown.chop(1); // the blank line before it
    return {shown, icon, text.mid(at + 1 + kReport.size())};
}

void RecordingBoxes::Show(const QString& text, TMsgIcon icon) {
    log_.push_back(Shown(text, icon));
}

Db& MigrationTest::Kelmor() {
    if (!kelmor_) kelmor_ = std::make_unique<Db>(KelmorPath());
    return *kelmor_;
}

void MigrationTest::DetachHelpers() {
    loja_.reset();
    kelmor_.reset();
}

Tfrm_Importacao& MigrationTest::Form() {
    if (!form_) {
        app_ = std::make_unique<TApplication>(Dir() + "/Importacao", std::make_unique<RecordingBoxes>(boxes));
        form_ = std::make_unique<Tfrm_Importacao>(*app_);
        form_->show();
    }
    return *form_;
}

void MigrationTest::Press(QPushButton* button) {
    button->click();
}

void MigrationTest::CloseForm() {
    if (form_) form_->close();
}

void MigrationTest::OnlySteps(std::initializer_list<QCheckBox*> keep) {
    Tfrm_Importacao& f = Form();
    for (QCheckBox* c : {f.chk_Funcionarios, f.cb_Cliente, f.chk_Fornecedores, f.chk_Produtos, f.chk_Vendas,
                         f.chk_ContaCorrente})
        c->setChecked(std::find(keep.begin(), keep.end(), c) != keep.end());
}

std::vector<QString> MigrationTest::Errors() const {
    std::vector<QString> out;
    for (const ShownBox& b : boxes)
        if (b.icon == TMsgIcon::Error) out.push_back(b.text);
    return out;
}

void MigrationTest::Redeclare(const QString& table, const QString& column, const QString& type) {
    Redeclare(table, {{column, type}});
}

void MigrationTest::Redeclare(const QString& table, const std::vector<std::pair<QString, QString>>& columns) {
    QFile script(":/schema/kelmor.sql");
    if (!script.open(QIODevice::ReadOnly)) throw Exception("the destination schema script is missing");
    for (QString statement : SplitScript(QString::fromUtf8(script.readAll()))) {
        if (!statement.startsWith("CREATE TABLE " + table + " (")) continue;
        for (const auto& [column, type] : columns)
            statement.replace(QRegularExpression("\\b" + column + "\\s+[A-Z]+(\\(\\d+(,\\d+)?\\))?"),
                              column + ' ' + type);
        Kelmor().Exec("DROP TABLE " + table);
        Kelmor().Exec(statement);
        return;
    }
    throw Exception("no table " + table + " in the destination schema script");
}

void SetPageBuffers(const QString& path, int pages) {
    QByteArray dpb;
    dpb.append(static_cast<char>(isc_dpb_version1));
    dpb.append(static_cast<char>(isc_dpb_user_name));
    dpb.append(static_cast<char>(6));
    dpb.append("SYSDBA");
    dpb.append(static_cast<char>(isc_dpb_set_page_buffers));
    dpb.append(static_cast<char>(4));
    for (int shift = 0; shift < 32; shift += 8) // little-endian, as the client expects
        dpb.append(static_cast<char>((pages >> shift) & 0xff));
    const QByteArray file = QFile::encodeName(path);
    ISC_STATUS_ARRAY st;
    isc_db_handle handle = 0;
    if (isc_attach_database(st, 0, file.constData(), &handle, static_cast<short>(dpb.size()),
                            dpb.constData()))
        RaiseStatus(st);
    if (isc_detach_database(st, &handle)) RaiseStatus(st);
}

FileSizeLimit::FileSizeLimit(qint64 bytes) {
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &previous_);
    rlimit limit = previous_;
    limit.rlim_cur = static_cast<rlim_t>(bytes);
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) throw Exception("the file size limit could not be set");
}

FileSizeLimit::~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &previous_);
    std::signal(SIGXFSZ, previousHandler_);
}
