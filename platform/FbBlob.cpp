// BLOB columns: their whole content read into a value, and a value written as a new BLOB, in the
// transaction of the statement's last run.
#include "Firebird.h"

#include "FbConversions.h"
#include "Win1252.h"

#include <algorithm>

namespace {
constexpr short kTextBlob = 1;
} // namespace

// A text BLOB (sub_type 1) crosses the client in the connection's character set, as any text; a
// binary one is held as text of one character per byte, so that it goes back byte for byte.
QString FbStatement::BlobValue(const QByteArray& bytes, short subtype) {
    if (subtype == kTextBlob) return FromWin1252(bytes.constData(), bytes.size());
    return QString::fromLatin1(bytes);
}

QByteArray FbStatement::BlobBytes(const TValue& v, short subtype) {
    const QString text = ParamText(v);
    return subtype == kTextBlob ? ToWin1252(text) : text.toLatin1();
}

QByteArray FbStatement::ReadBlob(const ISC_QUAD& id) {
    ISC_STATUS_ARRAY st;
    isc_blob_handle blob = 0;
    ISC_QUAD quad = id;
    isc_open_blob2(st, db_.Handle(), tr_->Handle(), &blob, &quad, 0, nullptr);
    CheckStatus(st);
    QByteArray bytes;
    char segment[32768];
    for (;;) {
        unsigned short length = 0;
        const ISC_STATUS rc = isc_get_segment(st, &blob, &length, sizeof segment, segment);
        if (rc == isc_segstr_eof) break;
        if (rc != 0 && rc != isc_segment) {
            ISC_STATUS_ARRAY ignored;
            isc_close_blob(ignored, &blob);
            CheckStatus(st);
        }
        bytes.append(segment, length);
    }
    isc_close_blob(st, &blob);
    CheckStatus(st);
    return bytes;
}

ISC_QUAD FbStatement::WriteBlob(const QByteArray& bytes) {
    ISC_STATUS_ARRAY st;
    isc_blob_handle blob = 0;
    ISC_QUAD id{};
    isc_create_blob2(st, db_.Handle(), tr_->Handle(), &blob, &id, 0, nullptr);
    CheckStatus(st);
    constexpr qsizetype kSegment = 32767;
    for (qsizetype at = 0; at < bytes.size(); at += kSegment) {
        const auto length = static_cast<unsigned short>(std::min(kSegment, bytes.size() - at));
        isc_put_segment(st, &blob, length, bytes.constData() + at);
        if (st[0] == 1 && st[1] != 0) {
            ISC_STATUS_ARRAY ignored;
            isc_cancel_blob(ignored, &blob);
            CheckStatus(st);
        }
    }
    isc_close_blob(st, &blob);
    CheckStatus(st);
    return id;
}
