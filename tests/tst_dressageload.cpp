// What the dressage view makes of the values its loading queries return:
// the class header, and every cell of a starter's row with the percentage,
// status, horse and pedigree rules.

#include "DressurColumns.h"
#include "DressurLoad.h"

#include <QtTest>

using namespace DressurColumns;

namespace {

const QVariant Null = QVariant(QMetaType::fromType<QString>());
const QVariant NullNumber = QVariant(QMetaType::fromType<int>());

// A starters-query row (s0 to s37) of a scored individual starter whose
// horse has its registry row.
QVariantList starter()
{
    QVariantList s;
    s << 12 << 305 << QStringLiteral(" Anne ") << QStringLiteral("Hansen  Bay")       // s0-s3
      << QStringLiteral("Donna   Doria") << QStringLiteral("*FRK*") << 0             // s4-s6
      << 345.5 << Null << QStringLiteral("0") << QStringLiteral("LA3")              // s7-s10
      << 1 << 21 << 21 << 7001                                                      // s11-s14
      << 70.5 << 69.25 << NullNumber << NullNumber << NullNumber                    // s15-s19
      << 8.5 << 8 << Null << Null << Null                                           // s20-s24
      << QStringLiteral("10:24") << 4711 << 88001 << 901                            // s25-s28
      << QStringLiteral("Abc") << QStringLiteral("Def") << QStringLiteral("Ghi")    // s29-s31
      << 2005 << QStringLiteral("Opdr") << QStringLiteral("H")                      // s32-s34
      << 3 << QStringLiteral(" Hold  Nord ") << 1;                                  // s35-s37
    return s;
}

struct Calls
{
    QStringList remarks;
    QStringList pedigrees;
};

QStringList cells(const QVariantList &s, const DressurLoad::StarterOptions &options, Calls *calls,
                  const QString &remark = QString(), const QString &localPedigree = QString())
{
    return DressurLoad::starterCells(
        s, options,
        [&](const QString &startId) {
            calls->remarks << startId;
            return remark;
        },
        [&](const QString &horseId) {
            calls->pedigrees << horseId;
            return localPedigree;
        });
}

DressurLoad::StarterOptions options(int maxPnt = 400, int judges = 1)
{
    DressurLoad::StarterOptions o;
    o.maxPnt = maxPnt;
    o.antalDommere = judges;
    return o;
}

} // namespace

class TestDressageLoad : public QObject
{
    Q_OBJECT

private slots:
    void percent_data();
    void percent();
    void pointsAndStatusTexts();
    void pedigree_data();
    void pedigree();

    void starterRow();
    void placingColumn_data();
    void placingColumn();
    void kurAndTeamColumns();
    void riderRemarks();
    void pedigreeSources();
    void horseCategory_data();
    void horseCategory();

    void header();
    void headerWithoutRow();
};

void TestDressageLoad::percent_data()
{
    QTest::addColumn<float>("points");
    QTest::addColumn<int>("maxPnt");
    QTest::addColumn<int>("judges");
    QTest::addColumn<QString>("percent");
    QTest::newRow("one judge") << 345.5f << 400 << 1 << QStringLiteral("86.375");
    QTest::newRow("three judges") << 345.5f << 400 << 3 << QStringLiteral("28.792");
    QTest::newRow("no judges counted") << 345.5f << 400 << 0 << QStringLiteral("86.375");
    QTest::newRow("three judges, 300") << 210.5f << 300 << 3 << QStringLiteral("23.389");
    QTest::newRow("not ridden yet") << 0.0f << 400 << 2 << QStringLiteral("0.000");
    QTest::newRow("no maximum") << 345.5f << 0 << 1 << QString();
    QTest::newRow("negative maximum") << 345.5f << -5 << 1 << QString();
}

void TestDressageLoad::percent()
{
    QFETCH(float, points);
    QFETCH(int, maxPnt);
    QFETCH(int, judges);
    QFETCH(QString, percent);
    QCOMPARE(DressurLoad::percentText(points, maxPnt, judges), percent);
}

void TestDressageLoad::pointsAndStatusTexts()
{
    QCOMPARE(DressurLoad::pointsText(345.5f), QStringLiteral("345.5"));
    QCOMPARE(DressurLoad::pointsText(0.0f), QStringLiteral("0"));
    QCOMPARE(DressurLoad::pointsText(68.456f), QStringLiteral("68.456"));
    QCOMPARE(DressurLoad::pointsText(1234.5678f), QStringLiteral("1234.57"));

    QCOMPARE(DressurLoad::statusText(QStringLiteral("Diskvalifice")), QStringLiteral("Diskvalificeret"));
    QCOMPARE(DressurLoad::statusText(QStringLiteral("DISKVALIFICE")), QStringLiteral("DISKVALIFICE"));
    QCOMPARE(DressurLoad::statusText(QStringLiteral("OPGIVET")), QStringLiteral("OPGIVET"));
}

void TestDressageLoad::pedigree_data()
{
    QTest::addColumn<QString>("sire");
    QTest::addColumn<QString>("dam");
    QTest::addColumn<QString>("damSire");
    QTest::addColumn<QString>("year");
    QTest::addColumn<QString>("sex");
    QTest::addColumn<QString>("text");
    const QString abc = QStringLiteral("Abc"), def = QStringLiteral("Def"), ghi = QStringLiteral("Ghi");
    const QString y = QStringLiteral("2005"), h = QStringLiteral("H");
    QTest::newRow("all") << abc << def << ghi << y << h << QStringLiteral("2005/H/Abc/Def/Ghi");
    QTest::newRow("no sex") << abc << def << ghi << y << QString() << QStringLiteral("2005/Abc/Def/Ghi");
    QTest::newRow("numbered sire") << QStringLiteral("12--Abc") << def << ghi << y << h
                                   << QStringLiteral("2005/H/Abc/Def/Ghi");
    QTest::newRow("numbered sire, both ends") << QStringLiteral("12--Abc--DK") << def << ghi << y << h
                                              << QStringLiteral("2005/H/Abc/Def/Ghi");
    QTest::newRow("one-letter sire part") << QStringLiteral("12--X") << def << ghi << y << h
                                          << QStringLiteral("2005/H//Def/Ghi");
    QTest::newRow("empty sire") << QString() << def << ghi << y << h << QStringLiteral("2005/H///Def/Ghi");
    QTest::newRow("empty dam") << abc << QString() << ghi << y << h << QStringLiteral("2005/H/Abc/Ghi");
    QTest::newRow("empty dam's sire") << abc << def << QString() << y << h
                                      << QStringLiteral("2005/H/Abc/Def/");
    QTest::newRow("numbered dam") << abc << QStringLiteral("12--Def") << ghi << y << h
                                  << QStringLiteral("2005/H/Abc//Def/Ghi");
    QTest::newRow("numbered dam's sire") << abc << def << QStringLiteral("7--Ghi") << y << h
                                         << QStringLiteral("2005/H/Abc/Def/Ghi");
    QTest::newRow("one-letter dam's sire part") << abc << def << QStringLiteral("7--G") << y << h
                                                << QStringLiteral("2005/H/Abc/Def/");
    QTest::newRow("lower-case marker is a name") << QStringLiteral("12-Abc") << def << ghi << y << h
                                                 << QStringLiteral("2005/H/12-Abc/Def/Ghi");
    QTest::newRow("everything empty") << QString() << QString() << QString() << QString() << QString()
                                      << QStringLiteral("///");
}

void TestDressageLoad::pedigree()
{
    QFETCH(QString, sire);
    QFETCH(QString, dam);
    QFETCH(QString, damSire);
    QFETCH(QString, year);
    QFETCH(QString, sex);
    QFETCH(QString, text);
    QCOMPARE(DressurLoad::pedigreeText(sire, dam, damSire, year, sex), text);
}

void TestDressageLoad::starterRow()
{
    Calls calls;
    const QStringList row = cells(starter(), options(400, 1), &calls);
    QCOMPARE(row.size(), int(Count));
    QCOMPARE(row[StartNr], QStringLiteral("12"));
    QCOMPARE(row[StaevneNr], QStringLiteral("305"));
    QCOMPARE(row[Hest], QStringLiteral("Donna Doria"));
    QCOMPARE(row[Rytter], QStringLiteral("Anne Hansen Bay"));
    QCOMPARE(row[Klub], QStringLiteral("*FRK*"));
    QCOMPARE(row[Point], QStringLiteral("345.5"));
    QCOMPARE(row[Procent], QStringLiteral("86.375"));
    QCOMPARE(row[Placering], QString());
    QCOMPARE(row[Diskvalifikation], QString());
    QCOMPARE(row[StartId], QStringLiteral("7001"));
    QCOMPARE(row.mid(DommerE, 5), (QStringList{"70.5", "69.25", "0", "0", "0"}));
    QCOMPARE(row[StartTid], QStringLiteral("10:24"));
    QCOMPARE(row.mid(DommerEKur, 5), (QStringList{"", "", "", "", ""})); // not a Kur class
    QCOMPARE(row[RytterId], QStringLiteral("4711"));
    QCOMPARE(row[HesteId], QStringLiteral("88001"));
    QCOMPARE(row[Afstamning], QStringLiteral("2005/H/Abc/Def/Ghi"));
    QCOMPARE(row[EquipageId], QStringLiteral("901"));
    // Not a team class: the team values are not shown.
    QCOMPARE(row[HoldId], QString());
    QCOMPARE(row[HoldNavn], QString());
    QCOMPARE(row[Udgaar], QString());
    // Cells the placing and the timer fill are left empty.
    for (int c : {int(ForeloebigPlacering), int(Tendens), int(HoldSum), int(HoldPlacering), int(EPlace)})
        QCOMPARE(row[c], QString());
    QVERIFY(calls.remarks.isEmpty());
    QVERIFY(calls.pedigrees.isEmpty());
}

void TestDressageLoad::placingColumn_data()
{
    QTest::addColumn<QVariant>("placering");
    QTest::addColumn<QVariant>("status");
    QTest::addColumn<QString>("placingCell");
    QTest::addColumn<QString>("statusCell");
    QTest::newRow("placed") << QVariant(3) << Null << QStringLiteral("3") << QString();
    QTest::newRow("placed with a status") << QVariant(3) << QVariant(QStringLiteral("OPGIVET"))
                                          << QStringLiteral("3") << QStringLiteral("OPGIVET");
    QTest::newRow("truncated status") << QVariant(0) << QVariant(QStringLiteral("Diskvalifice"))
                                      << QStringLiteral("Diskvalificeret") << QStringLiteral("Diskvalificeret");
    QTest::newRow("absent") << NullNumber << QVariant(QStringLiteral(" EJ  MØDT "))
                            << QStringLiteral("EJ MØDT") << QStringLiteral("EJ MØDT");
    QTest::newRow("neither") << QVariant(0) << QVariant(QString()) << QString() << QString();
}

void TestDressageLoad::placingColumn()
{
    QFETCH(QVariant, placering);
    QFETCH(QVariant, status);
    QFETCH(QString, placingCell);
    QFETCH(QString, statusCell);
    QVariantList s = starter();
    s[6] = placering;
    s[8] = status;
    Calls calls;
    const QStringList row = cells(s, options(), &calls);
    QCOMPARE(row[Placering], placingCell);
    QCOMPARE(row[Diskvalifikation], statusCell);
}

void TestDressageLoad::kurAndTeamColumns()
{
    Calls calls;
    DressurLoad::StarterOptions o = options();
    o.kur = 1;
    o.hold = true;
    QStringList row = cells(starter(), o, &calls);
    // Kur marks as the database gives them, unformatted.
    QCOMPARE(row.mid(DommerEKur, 5), (QStringList{"8.5", "8", "", "", ""}));
    QCOMPARE(row[HoldId], QStringLiteral("3"));
    QCOMPARE(row[HoldNavn], QStringLiteral("Hold Nord"));
    QCOMPARE(row[Udgaar], QStringLiteral("1"));

    // A start without a team row has an empty team id, not "0".
    QVariantList s = starter();
    s[35] = NullNumber;
    s[36] = Null;
    s[37] = 0;
    row = cells(s, o, &calls);
    QCOMPARE(row[HoldId], QString());
    QCOMPARE(row[Udgaar], QStringLiteral("0"));

    // Only a Kur flag of exactly 1 shows the Kur marks.
    o.kur = 2;
    row = cells(starter(), o, &calls);
    QCOMPARE(row.mid(DommerEKur, 5), (QStringList{"", "", "", "", ""}));
}

void TestDressageLoad::riderRemarks()
{
    DressurLoad::StarterOptions o = options();
    o.riderRemarks = true;
    Calls calls;
    QStringList row = cells(starter(), o, &calls, QStringLiteral("  U25  "));
    QCOMPARE(calls.remarks, QStringList{QStringLiteral("7001")});
    QCOMPARE(row[Rytter], QStringLiteral("Anne Hansen Bay (U25)"));

    // A name holding "%1" stays as it is.
    QVariantList s = starter();
    s[2] = QStringLiteral("%1");
    row = cells(s, o, &calls, QStringLiteral("%2"));
    QCOMPARE(row[Rytter], QStringLiteral("%1 Hansen Bay (%2)"));

    row = cells(starter(), o, &calls, QString());
    QCOMPARE(row[Rytter], QStringLiteral("Anne Hansen Bay"));
}

void TestDressageLoad::pedigreeSources()
{
    // No registry row joined: the year reads 0 and the pedigree comes from
    // the locally created row of the horse.
    QVariantList s = starter();
    s[29] = Null;
    s[30] = Null;
    s[31] = Null;
    s[32] = NullNumber;
    s[34] = Null;
    Calls calls;
    QStringList row = cells(s, options(), &calls, QString(), QStringLiteral(" 2011/Lokal/Mor/ "));
    QCOMPARE(calls.pedigrees, QStringList{QStringLiteral("88001")});
    QCOMPARE(row[Afstamning], QStringLiteral("2011/Lokal/Mor/"));

    // No local row either.
    calls = Calls();
    row = cells(s, options(), &calls, QString(), QString());
    QCOMPARE(row[Afstamning], QString());

    // No horse: no pedigree, and nothing is looked up.
    s[27] = NullNumber;
    calls = Calls();
    row = cells(s, options(), &calls, QString(), QStringLiteral("x"));
    QVERIFY(calls.pedigrees.isEmpty());
    QCOMPARE(row[HesteId], QString());
    QCOMPARE(row[Afstamning], QString());
}

void TestDressageLoad::horseCategory_data()
{
    QTest::addColumn<QVariant>("category");
    QTest::addColumn<QString>("horse");
    QTest::newRow("no category") << QVariant(QStringLiteral("0")) << QStringLiteral("Donna Doria");
    QTest::newRow("pony category") << QVariant(QStringLiteral(" P1 ")) << QStringLiteral("Donna Doria - P1");
    QTest::newRow("NULL") << Null << QStringLiteral("Donna Doria");
}

void TestDressageLoad::horseCategory()
{
    QFETCH(QVariant, category);
    QFETCH(QString, horse);
    QVariantList s = starter();
    s[9] = category;
    Calls calls;
    QCOMPARE(cells(s, options(), &calls)[Hest], horse);
}

void TestDressageLoad::header()
{
    QVariantList h;
    h << 21 << 7 << 40 << QStringLiteral("LA3  Ponyer") << 300 << QStringLiteral("A")  // h0-h5
      << QString() << QStringLiteral("Pokal fra Bageren") << 0 << 2                      // h6-h9
      << QStringLiteral("Anne Dommer, Bo Dommer") << QStringLiteral("Fredag")            // h10-h11
      << QStringLiteral("09:00") << QStringLiteral("12:30") << 1 << 0 << 1               // h12-h16
      << QStringLiteral("LA3") << 2 << QStringLiteral("LA") << QStringLiteral("500 300") // h17-h20
      << QStringLiteral("Ridebane 2") << QStringLiteral("LA");                           // h21-h22
    DressurLoad::Header header = DressurLoad::Header::fromValues(h);
    QCOMPARE(header.klasseId, 21);
    QCOMPARE(header.title, QStringLiteral("7 LA3 Ponyer Pokal fra Bageren"));
    QCOMPARE(header.maxPnt, 300);
    QCOMPARE(header.klassesponsor, QStringLiteral("Pokal fra Bageren")); // no sponsor: the prize
    QCOMPARE(header.aerespraemie, QStringLiteral("Pokal fra Bageren"));
    QCOMPARE(header.antalPlaceringerText, QStringLiteral("0"));
    QCOMPARE(header.antalDommere, 2);
    QCOMPARE(header.dommerListe, QStringLiteral("Anne Dommer, Bo Dommer"));
    QCOMPARE(header.startSlutTid, QStringLiteral("Fredag&nbsp;09:00&nbsp;-&nbsp;12:30"));
    QCOMPARE(header.kur, 1);
    QCOMPARE(header.hold, 1);
    QCOMPARE(header.diciplinId, QStringLiteral("2"));
    QCOMPARE(header.doteringer, QStringLiteral("500 300"));
    QCOMPARE(header.svh, QStringLiteral("LA"));

    h[6] = QStringLiteral("Bageren");
    header = DressurLoad::Header::fromValues(h);
    QCOMPARE(header.klassesponsor, QStringLiteral("Bageren"));
}

void TestDressageLoad::headerWithoutRow()
{
    const DressurLoad::Header header = DressurLoad::Header::fromValues({});
    QCOMPARE(header.maxPnt, 0);
    QCOMPARE(header.klasseId, 0);
    QCOMPARE(header.title, QStringLiteral("  "));
    QCOMPARE(header.antalPlaceringerText, QStringLiteral("0"));
    QCOMPARE(header.startSlutTid, QStringLiteral("&nbsp;&nbsp;-&nbsp;"));
    QVERIFY(header.dommerListe.isEmpty());
}

QTEST_MAIN(TestDressageLoad)
#include "tst_dressageload.moc"
