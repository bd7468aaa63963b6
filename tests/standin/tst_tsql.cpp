// The T-SQL the station sends, translated and run on SQLite through the
// stand-in driver, against the answers SQL Server gives.

#include "driver/StandinDriver.h"
#include "driver/TsqlFunctions.h"
#include "driver/TsqlTranslator.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <sqlite3.h>

using standin::TsqlTranslator;

class TestTsql : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        const QString file = m_dir.filePath(QStringLiteral("tsql.db"));
        sqlite3 *db = nullptr;
        QCOMPARE(sqlite3_open_v2(QFile::encodeName(file).constData(), &db,
                                 SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr),
                 SQLITE_OK);
        QVERIFY(standin::installTsqlSupport(db));
        const char *schema = R"(
            CREATE TABLE tblHest (HestBaseId TEXT COLLATE TSQL_CI, OprettetLokalt INTEGER,
                                  Foedeaar DATETIME, AfstamningF TEXT COLLATE TSQL_CI,
                                  AfstamningM TEXT COLLATE TSQL_CI, AfstamningMF TEXT COLLATE TSQL_CI);
            INSERT INTO tblHest VALUES ('DK001', 1, '2012-05-17 00:00:00.000', 'Far', NULL, 'Morfar');
            INSERT INTO tblHest VALUES ('DK002', 1, NULL, NULL, NULL, NULL);
            CREATE TABLE tblOfficials (OfficialId INTEGER PRIMARY KEY, Fornavn TEXT COLLATE TSQL_CI,
                                       EfterNavn TEXT COLLATE TSQL_CI);
            INSERT INTO tblOfficials VALUES (1, 'Åse', 'Ørsted'), (2, 'ÅSE', 'ØRSTED  '), (3, 'Per', NULL);
            CREATE TABLE tblNavn (Navn TEXT COLLATE TSQL_CI);
            INSERT INTO tblNavn VALUES ('Åge'), ('Zenia'), ('ærø'), ('Øster'), ('Aage'), ('Bo');
            CREATE TABLE tblStart (StartNr INTEGER, SekundaerStartNr INTEGER);
            INSERT INTO tblStart VALUES (12, 2), (7, NULL);
        )";
        QCOMPARE(sqlite3_exec(db, schema, nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);

        standin::registerDriver();
        QSqlDatabase database = QSqlDatabase::addDatabase(standin::driverName(), m_connection);
        database.setDatabaseName(file);
        QVERIFY2(database.open(), qPrintable(database.lastError().text()));
    }

    void unknownConstructsAreNamed_data()
    {
        QTest::addColumn<QString>("tsql");
        QTest::addColumn<QString>("named");
        QTest::addColumn<bool>("translates"); // the error comes only when the statement runs

        QTest::newRow("function") << "SELECT LEN(Navn) FROM t" << "LEN" << false;
        QTest::newRow("CONVERT style") << "SELECT CONVERT(char(10), d, 120) FROM t" << "120" << false;
        QTest::newRow("CONVERT without style") << "SELECT CONVERT(varchar, d) FROM t" << "style" << false;
        QTest::newRow("CAST type") << "SELECT CAST(d AS int) FROM t" << "int" << false;
        QTest::newRow("DATENAME part") << "SELECT DATENAME(month, d) FROM t" << "month" << false;
        QTest::newRow("ISNULL arity") << "SELECT ISNULL(a) FROM t" << "ISNULL" << false;
        QTest::newRow("TOP") << "SELECT TOP 5 a FROM t" << "TOP" << false;
        QTest::newRow("COLLATE") << "SELECT a FROM t ORDER BY a COLLATE Danish_Norwegian_CI_AS" << "COLLATE" << false;
        QTest::newRow("Unicode literal") << "SELECT N'x' FROM t" << "N'" << false;
        QTest::newRow("brackets") << "SELECT [Navn] FROM t" << "[Navn]" << false;
        QTest::newRow("variable") << "SELECT a FROM t WHERE b = @id" << "@id" << false;
        QTest::newRow("temporary table") << "SELECT a FROM #work" << "#work" << false;
        QTest::newRow("minus beside plus") << "SELECT a - b + 'x' FROM t" << "-" << false;
        QTest::newRow("two statements") << "SELECT 1; SELECT 2" << "more than one statement" << false;
        QTest::newRow("database name") << "SELECT a FROM ZEP.dbo.tblStaevne" << "database name" << false;
        QTest::newRow("empty") << "  ;" << "empty" << false;
        QTest::newRow("text to int") << "SELECT 'x' + 1"
                                     << "Conversion failed when converting the varchar value 'x'" << true;
        QTest::newRow("not a date") << "SELECT YEAR('31/12/2024')" << "date and/or time" << true;
        QTest::newRow("no such day") << "SELECT CONVERT(char(10), '2023-02-29', 103)" << "date and/or time" << true;
        QTest::newRow("float to varchar") << "SELECT CAST(1.5 AS varchar(5))" << "floating-point" << true;
        QTest::newRow("missing database function") << "SELECT dbo.antalHeste(1)" << "antalHeste" << true;
    }

    void unknownConstructsAreNamed()
    {
        QFETCH(QString, tsql);
        QFETCH(QString, named);
        QFETCH(bool, translates);
        const TsqlTranslator::Result result = TsqlTranslator::translate(tsql);
        QCOMPARE(result.ok(), translates);
        QVERIFY2(translates || result.error.contains(named, Qt::CaseInsensitive), qPrintable(result.error));
        // Through the driver the text is a statement error naming it.
        QSqlQuery query(QSqlDatabase::database(m_connection));
        QVERIFY(!query.exec(tsql));
        QCOMPARE(query.lastError().type(), QSqlError::StatementError);
        QVERIFY2(query.lastError().text().contains(named, Qt::CaseInsensitive), qPrintable(query.lastError().text()));
    }

    void constructs_data()
    {
        QTest::addColumn<QString>("tsql");
        QTest::addColumn<QVariant>("expected");
        const QVariant null(QMetaType::fromType<QString>());

        // Dates as stored ("yyyy-MM-dd HH:mm:ss.zzz"), shorter forms, a bare time;
        // the plain cases run in every statement of the station.
        QTest::newRow("103 bare time on the zero date")
                << "SELECT CONVERT(char(10), '10:30', 103)" << QVariant("01/01/1900");
        QTest::newRow("103 char pads") << "SELECT CONVERT(char(12), '2024-03-05', 103)" << QVariant("05/03/2024  ");
        QTest::newRow("103 char cuts") << "SELECT CONVERT(char(5), '2024-03-05', 103)" << QVariant("05/03");
        QTest::newRow("103 of NULL") << "SELECT CONVERT(char(10), NULL, 103)" << null;
        QTest::newRow("14 no seconds") << "SELECT CONVERT(varchar,'2024-03-05T08:05',14 )" << QVariant("08:05:00:000");
        QTest::newRow("14 from a number") << "SELECT CONVERT(varchar, 1.75, 14)" << QVariant("18:00:00:000");
        QTest::newRow("14 of NULL cut") << "SELECT CAST(CONVERT(varchar, NULL, 14) AS varchar(5))" << null;

        QTest::newRow("varchar counts letters, not bytes") << "SELECT CAST('æøåÆØÅ' AS VARCHAR(4))" << QVariant("æøåÆ");
        QTest::newRow("varchar without length is 30") << "SELECT CAST('1234567890123456789012345678901234' AS varchar)"
                                                      << QVariant("123456789012345678901234567890");
        QTest::newRow("integer too long is *") << "SELECT CAST(123456 AS VARCHAR(5))" << QVariant("*");
        QTest::newRow("char pads") << "SELECT CAST('ab' AS char(4))" << QVariant("ab  ");

        QTest::newRow("NULL joins to NULL") << "SELECT 'Ane' + NULL + 'Holm'" << null;
        QTest::newRow("numbers add") << "SELECT 1 + 2 + 3" << QVariant(6);
        QTest::newRow("text beside an integer is converted") << "SELECT ' 4 ' + 2" << QVariant(6);
        QTest::newRow("text beside a float") << "SELECT 1.5 + '2'" << QVariant(3.5);
        QTest::newRow("cast number joins as text") << "SELECT CAST(7 AS VARCHAR(5)) + 'A'" << QVariant("7A");
        QTest::newRow("column NULL in a join")
            << "SELECT Fornavn + ' ' + EfterNavn FROM dbo.tblOfficials WHERE OfficialId = 3" << null;

        // What must come through the translation as it is.
        QTest::newRow("literal untouched") << "SELECT 'dbo.x + CONVERT(y) -- z'" << QVariant("dbo.x + CONVERT(y) -- z");
        QTest::newRow("quotes in a literal") << "SELECT 'O''Brien' + ''''" << QVariant("O'Brien'");
        QTest::newRow("comment dropped") << "SELECT 1 -- TOP LEN(\n" << QVariant(1);
        QTest::newRow("ISNULL of NULL") << "SELECT ISNULL(NULL, 'x')" << QVariant("x");

        QTest::newRow("weekday leap day") << "SELECT DATENAME(dw, '2024-02-29')" << QVariant("Thursday");
        QTest::newRow("weekday of NULL") << "SELECT DATENAME(weekday, NULL)" << null;

        QTest::newRow("YEAR of a number") << "SELECT YEAR(0)" << QVariant(1900);
        QTest::newRow("YEAR of NULL") << "SELECT YEAR(Foedeaar) FROM tblHest WHERE HestBaseId = 'DK002'" << null;
        // The look-up of a locally created horse as the views send it: with no
        // values at all only the separators are left.
        const QString pedigree = QStringLiteral(
            "select ISNULL(CAST(YEAR(foedeaar) AS VARCHAR(4)),'')\t\t\t+'/'+ ISNULL(AfstamningF,'')"
            "\t\t+'/'+ ISNULL(AfstamningM,'')\t\t+'/'+ ISNULL(AfstamningMF,'') \t\t"
            "from tblHest where HestBaseId = '%1' AND OPRETTETLOKALT=1");
        QTest::newRow("pedigree, one NULL") << pedigree.arg(QLatin1String("DK001")) << QVariant("2012/Far//Morfar");
        QTest::newRow("pedigree without values") << pedigree.arg(QLatin1String("DK002")) << QVariant("///");
        // A start number joined with the letter of its secondary number.
        const QString startNr
                = QStringLiteral("SELECT CAST(ST.StartNr AS VARCHAR(5)) + dbo.NrTilBogstav(ST.SekundaerStartNr) "
                                 "AS startNr FROM tblStart AS ST WHERE StartNr = %1");
        QTest::newRow("start number with letter") << startNr.arg(12) << QVariant("12B");
        QTest::newRow("start number without") << startNr.arg(7) << QVariant("7");
        QTest::newRow("ISNULL of a cut YEAR")
                << "SELECT ISNULL(CAST(YEAR(foedeaar) AS VARCHAR(4)),'') FROM tblHest WHERE HestBaseId = 'DK002'"
                << QVariant("");
    }

    void constructs()
    {
        QFETCH(QString, tsql);
        QFETCH(QVariant, expected);
        const QVariant actual = scalar(tsql);
        QCOMPARE(actual.isNull(), expected.isNull());
        if (!expected.isNull())
            QCOMPARE(actual, expected);
    }

    void textCompare_data()
    {
        QTest::addColumn<QString>("left");
        QTest::addColumn<QString>("right");
        QTest::addColumn<int>("order");

        QTest::newRow("case") << "Søren" << "SØREN" << 0;
        QTest::newRow("Danish capitals") << "æblegrød" << "ÆBLEGRØD" << 0;
        QTest::newRow("trailing blanks") << "Holm" << "holm   " << 0;
        QTest::newRow("blanks only equal empty") << "   " << "" << 0;
        QTest::newRow("leading blanks count") << " Holm" << "Holm" << -1;
        QTest::newRow("prefix first") << "Hol" << "Holm" << -1;
        QTest::newRow("accent is not the letter") << "é" << "e" << 1;
        QTest::newRow("z before æ") << "Zz" << "æ" << -1;
        QTest::newRow("æ before ø") << "Æ" << "ø" << -1;
        QTest::newRow("ø before å") << "Ø" << "å" << -1;
        QTest::newRow("tab is not a blank") << "a\t" << "a" << 1;
    }

    void textCompare()
    {
        QFETCH(QString, left);
        QFETCH(QString, right);
        QFETCH(int, order);
        const int forward = standin::compareTsqlText(left.toUtf8(), right.toUtf8());
        const int backward = standin::compareTsqlText(right.toUtf8(), left.toUtf8());
        QCOMPARE(forward < 0 ? -1 : forward > 0 ? 1 : 0, order);
        QCOMPARE(backward < 0 ? -1 : backward > 0 ? 1 : 0, -order);
    }

    void orderAndDistinct()
    {
        QSqlQuery query(QSqlDatabase::database(m_connection));
        QVERIFY(query.exec(QStringLiteral("SELECT Navn FROM dbo.tblNavn ORDER BY Navn")));
        QStringList names;
        while (query.next())
            names << query.value(0).toString();
        QCOMPARE(names, QString::fromUtf8("Aage Bo Zenia ærø Øster Åge").split(QLatin1Char(' ')));
        // "Åse Ørsted" and "ÅSE ØRSTED  " are one judge to SQL Server.
        QVERIFY(query.exec(QStringLiteral("SELECT DISTINCT ofi.Fornavn + ' ' + ofi.Efternavn AS Expr1 "
                                          "FROM dbo.tblOfficials AS ofi WHERE (ofi.OfficialId < 3)")));
        QVERIFY(query.next());
        QVERIFY(!query.next());
    }

private:
    QVariant scalar(const QString &tsql)
    {
        QSqlQuery query(QSqlDatabase::database(m_connection));
        if (!query.exec(tsql) || !query.next()) {
            qWarning("%s: %s", qPrintable(tsql), qPrintable(query.lastError().text()));
            return QVariant(QStringLiteral("<failed>"));
        }
        return query.value(0);
    }

    QTemporaryDir m_dir;
    QString m_connection = QStringLiteral("tsql");
};

QTEST_GUILESS_MAIN(TestTsql)
#include "tst_tsql.moc"
