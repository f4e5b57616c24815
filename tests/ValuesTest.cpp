// Value types and text helpers: the rules every step relies on when it converts legacy values.
#include "Values.h"
#include "Errors.h"
#include "Text.h"
#include "Win1252.h"
#include "uImportacao.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>

TEST(Currency, FromDoubleRoundsHalvesToEvenAndCutToFewerDecimalsTruncates) {
    EXPECT_EQ(TCurrency::FromDouble(1.23456).units, 12346);
    // Exact binary halves: 312.5 and 937.5 ten-thousandths go to the even neighbour.
    EXPECT_EQ(TCurrency::FromDouble(0.03125).units, 312);
    EXPECT_EQ(TCurrency::FromDouble(0.09375).units, 938);
    EXPECT_EQ(TCurrency::FromDouble(-0.03125).units, -312);
    // 0.00015 is a little below the half in binary: it rounds down.
    EXPECT_EQ(TCurrency::FromDouble(0.00015).units, 1);
    EXPECT_EQ(TCurrency::FromDouble(10.999).units, 109990);
    EXPECT_EQ(TCurrency::FromUnits(123450).CutTo(2).units, 123400);   // 12.345 -> 12.34
    EXPECT_EQ(TCurrency::FromUnits(-123450).CutTo(2).units, -123400); // -12.345 -> -12.34
    EXPECT_EQ(TCurrency::FromUnits(19999).CutTo(3).units, 19990);
    EXPECT_EQ(TCurrency::FromUnits(12345).CutTo(5).units, 12345);
    // The product of two four-decimal values is rounded once, halves to even.
    EXPECT_EQ((TCurrency::FromUnits(15) * TCurrency::FromUnits(5000)).units, 8);  // 0.0015*0.5=0.00075
    EXPECT_EQ((TCurrency::FromUnits(25) * TCurrency::FromUnits(5000)).units, 12); // 0.00125 -> 0.0012
    // A value with no four-decimal form in 64 bits is an error, never a wrong amount.
    EXPECT_THROW(TCurrency::FromDouble(1e300), ERangeError);
    EXPECT_THROW(TCurrency::FromDouble(std::nan("")), ERangeError);
    EXPECT_THROW(TCurrency::FromInteger(4000000000LL) * TCurrency::FromInteger(4000000000LL), ERangeError);
    EXPECT_EQ(TCurrency::FromUnits(123400).ToString(), "12.34");
    EXPECT_EQ(TCurrency::FromUnits(-5000).ToString(), "-0.5");
    EXPECT_EQ(TCurrency::FromInteger(7).ToString(), "7");
}

TEST(Currency, FromDoubleRoundsTheExactBinaryValueAndNoValueWrapsAround) {
    // Legacy doubles nearest to these decimals. Their exact binary value decides: 2.34565 is stored
    // a hair above the half, 3.45675 a hair below; 0.03125 and 0.09375 are true halves.
    const struct {
        double value;
        int64_t units;
    } cases[] = {
        {2.34565, 23457},
        {0.00025, 3},
        {0.12345, 1235},
        {100.00005, 1000001},
        {3.45675, 34567},
        {10.00015, 100001},
        {0.00005, 1},
        {0.03125, 312},
        {0.09375, 938},
        {-2.34565, -23457},
        {-3.45675, -34567},
        {-0.00005, -1},
        {-0.03125, -312},
        {-0.09375, -938},
        {-0.0, 0},
        {5e-324, 0},
        {1e14, 1000000000000000000},
        {922337203685477.5, 9223372036854775000},
        {-922337203685477.5, -9223372036854775000},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TCurrency::FromDouble(c.value).units, c.units)
            << QString::number(c.value, 'g', 17).toStdString();
    // Beyond 64 bits of ten-thousandths: an error naming the value, never another amount.
    for (double bad : {922337203685477.625, -922337203685477.625, 1e15, -1e300, HUGE_VAL, std::nan("")}) {
        try {
            TCurrency::FromDouble(bad);
            ADD_FAILURE() << "no error for " << bad;
        } catch (const ERangeError& e) {
            EXPECT_TRUE(e.Message().startsWith(QString::number(bad, 'g', 17))) << e.what();
        }
    }
    const TCurrency max = TCurrency::FromUnits(INT64_MAX), min = TCurrency::FromUnits(INT64_MIN);
    const TCurrency tiny = TCurrency::FromUnits(1);
    EXPECT_EQ((max - tiny + tiny).units, INT64_MAX);
    EXPECT_EQ(TCurrency::FromInteger(-922337203685477).units, -9223372036854770000);
    const std::pair<const char*, std::function<TCurrency()>> wraps[] = {
        {"922337203685477.5807 + 0.0001", [&] { return max + tiny; }},
        {"-922337203685477.5808 - 0.0001", [&] { return min - tiny; }},
        {"-(-922337203685477.5808)", [&] { return -min; }},
        {"922337203685478", [] { return TCurrency::FromInteger(922337203685478); }},
    };
    for (const auto& [text, op] : wraps) {
        try {
            TCurrency c = op();
            ADD_FAILURE() << text << " gave " << c.ToString().toStdString();
        } catch (const ERangeError& e) {
            EXPECT_TRUE(e.Message().startsWith(text)) << e.what();
        }
    }
}

TEST(DateTime, CountsDaysFrom18991230WithTimeAsFractionAlsoBeforeIt) {
    EXPECT_DOUBLE_EQ(EncodeDateTime({1899, 12, 30}).value, 0);
    EXPECT_DOUBLE_EQ(EncodeDateTime({1900, 1, 1}).value, 2);
    EXPECT_DOUBLE_EQ(EncodeDateTime({2015, 3, 1}, {14, 30, 0, 0}).value, 42064 + 14.5 / 24);
    // Before the epoch the whole part is negative and the time still counts forward.
    TDateTime before = EncodeDateTime({1899, 12, 29}, {6, 0, 0, 0});
    EXPECT_DOUBLE_EQ(before.value, -1.25);
    TDateParts d = DecodeDate(before);
    TTimeParts t = DecodeTime(before);
    EXPECT_EQ(d.year * 10000 + d.month * 100 + d.day, 18991229);
    EXPECT_EQ(t.hour, 6);
    TDateParts far = DecodeDate(EncodeDateTime({1600, 2, 29}));
    EXPECT_EQ(far.year * 10000 + far.month * 100 + far.day, 16000229);
    // A time that rounds to midnight moves to the next day.
    TDateTime late{1.0 - 1e-12};
    EXPECT_EQ(DatePart(late), 1);
    EXPECT_EQ(TimeOfDayUnits(late), 0);
}

TEST(Text, TrimUpperCaseAndIntegerConversion) {
    EXPECT_EQ(Trim(QString("\t  ab c\r\n ")), "ab c");
    EXPECT_EQ(Trim(QString(" \x01 ")), "");
    EXPECT_EQ(UpperAZ(QString::fromUtf8("são joão d'ávila")), QString::fromUtf8("SãO JOãO D'áVILA"));
    EXPECT_EQ(StrToInt(" 0042 "), 42);
    EXPECT_EQ(StrToInt("-7"), -7);
    for (const char* bad : {"", "  ", "12A", "1 2", "0x10", "+", "99999999999"}) {
        try {
            StrToInt(bad);
            ADD_FAILURE() << "no error for '" << bad << "'";
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(), QString("'%1' is not a valid integer value").arg(bad));
        }
    }
    EXPECT_EQ(QuotedStr("D'ÁVILA"), QString::fromUtf8("'D''ÁVILA'"));
}

TEST(Text, Windows1252RoundTripAndUnmappableCharacters) {
    QString text = QString::fromUtf8("Ação €‚ƒ„ žŸ ÿ");
    QByteArray bytes = ToWin1252(text);
    EXPECT_EQ(bytes.size(), text.size());
    EXPECT_EQ(static_cast<unsigned char>(bytes[5]), 0x80); // the euro sign
    EXPECT_EQ(FromWin1252(bytes.constData(), bytes.size()), text);
    EXPECT_EQ(ToWin1252(QString::fromUtf8("Ω")), QByteArray("?"));
}

TEST(Rotinas, DigitsZeroFillAndDateLiterals) {
    EXPECT_EQ(Tfrm_Importacao::SomenteNumeros("123.456.789-01"), "12345678901");
    EXPECT_EQ(Tfrm_Importacao::SomenteNumeros("  12345"), "12345");
    EXPECT_EQ(Tfrm_Importacao::SomenteNumeros("CEP 30.140-071"), "30140071");
    EXPECT_EQ(Tfrm_Importacao::SomenteNumeros("ABC"), "");
    EXPECT_EQ(Tfrm_Importacao::SomenteNumeros(QString::fromUtf8("١٢٣")), ""); // other scripts' digits
    EXPECT_EQ(Tfrm_Importacao::CompletarComZeros(12345, 10), "0000012345");
    EXPECT_EQ(Tfrm_Importacao::CompletarComZeros(0, 10), "0000000000");
    EXPECT_EQ(Tfrm_Importacao::CompletarComZeros(1234567890, 10), "1234567890");
    EXPECT_EQ(Tfrm_Importacao::CompletarComZeros(12345678901LL, 10), "12345678901");
    EXPECT_EQ(Tfrm_Importacao::CompletarComZeros(-5, 10), "00000000-5");
    EXPECT_EQ(Tfrm_Importacao::CompletarComZeros(-123456789, 10), "-123456789");
    EXPECT_EQ(Tfrm_Importacao::DataSQL(EncodeDateTime({2015, 3, 1}, {14, 30, 0, 0})), "'2015-03-01'");
    EXPECT_EQ(Tfrm_Importacao::DataSQL(TDateTime{0}), "'1899-12-30'");
}

TEST(Application, ErrorBoxTextAndPathBesideExecutable) {
    EXPECT_EQ(ErrorBoxText("Falha"), "Falha.");
    EXPECT_EQ(ErrorBoxText("Falha."), "Falha.");
    EXPECT_EQ(ErrorBoxText("Falha - "), "Falha - ");
    EXPECT_EQ(ErrorBoxText("valor,"), "valor,");
    EXPECT_EQ(ErrorBoxText(""), "");
    EXPECT_EQ(FileBesideExecutable("/opt/migra/Importacao", "KELMOR.FDB"), "/opt/migra/KELMOR.FDB");
    // A root folder keeps its separator, so two stand in a row.
    EXPECT_EQ(FileBesideExecutable("/Importacao", "LOJA.GDB"), "//LOJA.GDB");
}
