// The result view base: its timer rule, reload, last-change mark, flags,
// single statements, the dormant upload slots, its form, and the class JSON
// document with the text escaping and database value reading it relies on.

#include "DbValue.h"
#include "JsonText.h"
#include "KlasseJsonDocument.h"
#include "appConfig.h"
#include "staevneKlasseInfo.h"

#include <QBoxLayout>
#include <QFrame>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QSplitter>
#include <QSqlDatabase>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

namespace {

// A view that records what the base calls on it and lets the test set the
// fields a real view would fill from the database.
class ProbeView : public staevneKlasseInfo
{
public:
    using staevneKlasseInfo::staevneKlasseInfo;

    using staevneKlasseInfo::afdeling;
    using staevneKlasseInfo::bane;
    using staevneKlasseInfo::dsp;
    using staevneKlasseInfo::dv;
    using staevneKlasseInfo::klasseNr;
    using staevneKlasseInfo::lastChangeId;
    using staevneKlasseInfo::staevneId;
    using staevneKlasseInfo::uploadConnection;

    int updates = 0;
    int prints = 0;
    QStringList shows;
    int lastChangeIdWhilePrinting = 0;

    void updateKlasse() override { ++updates; }
    void printHtml() override
    {
        ++prints;
        lastChangeIdWhilePrinting = lastChangeId;
    }
    void showKlasse(int s, int k, QString a, int b, int id) override
    {
        shows << QStringLiteral("%1 %2 %3 %4 %5").arg(s).arg(k).arg(a).arg(b).arg(id);
        staevneKlasseInfo::showKlasse(s, k, a, b, id);
    }

    void setHeader(const QString &sponsorText, const QString &remarksText)
    {
        klassesponsor = sponsorText;
        remarks = remarksText;
        m_judges = QStringLiteral("Anne \"A\" Hansen");
        m_diciplinId = QStringLiteral("2");
        klasseTypeId = QStringLiteral("5");
    }
};

QTreeWidgetItem *addRow(QTreeWidget *list, const QStringList &cells)
{
    auto *item = new QTreeWidgetItem(cells);
    list->addTopLevelItem(item);
    return item;
}

// The sample of the document format: class 3 of competition 17, section A,
// a list of three columns with one row.
void fillSample(ProbeView &view)
{
    view.showKlasse(17, 3, QStringLiteral("A"), 1, 44);
    view.setHeader(QString(), QString());
    view.listView1->setHeaderLabels({QStringLiteral("Start Nr"), QStringLiteral("Stævne Nr"),
                                     QStringLiteral("Hest")});
    addRow(view.listView1, {QStringLiteral("1"), QStringLiteral("12"), QString()});
}

const char SampleDocument[] =
    "{\n"
    "\"jsonVersion\":\"1.06\",\"version\":\"1.74\",\"ZEPstaevneId\":\"ZEP\",\"ZEPStaevnePropId\":\"\","
    "\"ZEPKlasseId\":\"\",\"staevneId\":\"17\",\"klasseNr\":\"3\",\"diciplinId\":\"2\",\"klasseTypeId\":\"5\","
    "\"bane\":\"1\",\"afdeling\":\"A\",\"class\":\"KlasseInfo\",\"maxPnt\":\"1\",\"lastChangeId\":\"-1\","
    "\"antalPlaceringer\":\"0\",\"antalDommere\":\"0\",\"antalStarter\":\"0\",\"resterendeStarter\":\"0\","
    "\"startSlutTid\":\"\",\"judges\":\"Anne \\\"A\\\" Hansen\",\"kur\":\"0\",\"hold\":\"0\",\"dsp\":\"0\","
    "\"dv\":\"0\",\"bevarStartTid\":\"0\",\"metode\":\"\",\"niveau\":\"\",\"udholdenhed\":\"1\","
    "\"doteringer\":\"\",\"klassesponsor\":\"\",\"aerespraemie\":\"\",\"banebygger\":\"\",\"remarks\":\"\","
    "\"svh\":\"\",\"headers\": [\n"
    "{\"col\": 0,\"text\": \"Start Nr\"},{\"col\": 1,\"text\": \"St\xc3\xa6vne Nr\"},{\"col\": 2,\"text\": \"Hest\"}],\n"
    "\"equipages\": [\n"
    "{\"col0\": \"1\",\"col1\": \"12\",\"col2\": \"\"}]\n"
    "}\n";

QJsonObject parse(const QByteArray &bytes)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError)
        qWarning("not JSON: %s at %d", qPrintable(error.errorString()), error.offset);
    return doc.object();
}

} // namespace

class TestResultView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void timerTicksOnlyForAShownClass();
    void showKlasseResets();
    void refreshKeepsLastChange_data();
    void refreshKeepsLastChange();
    void doubleClickMarksOnce();
    void flagsAndPlacingsOfTheBase();
    void formWidgets();

    void execSqlWithoutConnection();
    void execSqlOnBrokenConnection();

    void uploadFileWithoutConnection();
    void uploadFilePostsToTheServer();

    void jsonEscape_data();
    void jsonEscape();
    void documentMatchesTheFormat();
    void documentOfEmptyList();
    void documentWithNastyTexts();
    void writeJSonWritesTheFile();
    void writeJSonFailureKeepsOldFile();

    void dbValues();

private:
    QTemporaryDir m_dir;
};

void TestResultView::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void TestResultView::timerTicksOnlyForAShownClass()
{
    appConfig cfg(nullptr, QString());
    ProbeView view(&cfg);
    view.timeOut();
    QCOMPARE(view.updates, 0);
    view.staevneId = 5;
    view.timeOut();
    QCOMPARE(view.updates, 0);
    view.staevneId = -1;
    view.klasseNr = 3;
    view.timeOut();
    QCOMPARE(view.updates, 0);
    view.showKlasse(5, 3, QStringLiteral("A"), 2, 9);
    view.timeOut();
    view.timeOut();
    QCOMPARE(view.updates, 2);
}

void TestResultView::showKlasseResets()
{
    appConfig cfg(nullptr, QString());
    ProbeView view(&cfg);
    view.listView1->setColumnCount(2);
    addRow(view.listView1, {QStringLiteral("1"), QStringLiteral("2")});
    view.lastChangeId = 7;
    view.showKlasse(5, 3, QStringLiteral("B"), 2, 9);
    QCOMPARE(view.lastChangeId, -1);
    QCOMPARE(view.listView1->topLevelItemCount(), 0);
    QCOMPARE(view.afdeling, QStringLiteral("B"));
    QCOMPARE(view.bane, 2);
}

void TestResultView::refreshKeepsLastChange_data()
{
    QTest::addColumn<int>("mark");
    QTest::newRow("marked") << 42;
    QTest::newRow("none") << -1;
}

void TestResultView::refreshKeepsLastChange()
{
    QFETCH(int, mark);
    appConfig cfg(nullptr, QString());
    ProbeView view(&cfg);
    view.showKlasse(5, 3, QStringLiteral("A"), 2, 9);
    view.lastChangeId = mark;
    QSignalSpy changes(&view, &staevneKlasseInfo::resultChangeClass);

    view.refreshClass();

    QCOMPARE(view.shows, (QStringList{"5 3 A 2 9", "5 3 A 2 9"}));
    QCOMPARE(view.lastChangeId, mark);
    QCOMPARE(view.prints, 1);
    QCOMPARE(view.lastChangeIdWhilePrinting, mark); // the pages see the kept mark
    QCOMPARE(changes.count(), 1);
    QCOMPARE(changes.at(0), (QVariantList{2, QStringLiteral("A"), 3, false}));
}

void TestResultView::doubleClickMarksOnce()
{
    appConfig cfg(nullptr, QString());
    ProbeView view(&cfg);
    view.listView1->setColumnCount(3);
    QTreeWidgetItem *twelve = addRow(view.listView1, {QStringLiteral("1"), QStringLiteral("12"), {}});
    QTreeWidgetItem *blank = addRow(view.listView1, {QStringLiteral("2"), QString(), {}});
    QTreeWidgetItem *other = addRow(view.listView1, {QStringLiteral("3"), QStringLiteral("31"), {}});

    view.slotHeighLight(nullptr);
    QCOMPARE(view.lastChangeId, -1);
    view.slotHeighLight(twelve);
    QCOMPARE(view.lastChangeId, 12);
    view.slotHeighLight(other);
    QCOMPARE(view.lastChangeId, 12);

    view.lastChangeId = -1;
    view.slotHeighLight(blank);
    QCOMPARE(view.lastChangeId, 0);
}

void TestResultView::flagsAndPlacingsOfTheBase()
{
    appConfig cfg(nullptr, QString());
    ProbeView view(&cfg);
    view.toggleDSP(true);
    QCOMPARE(view.dsp, 1);
    view.toggleDSP(false);
    QCOMPARE(view.dsp, 0);
    view.toggleDV(true);
    QCOMPARE(view.dv, 1);
    QCOMPARE(view.prints, 0); // toggling rewrites nothing

    for (int starters : {0, 1, 100})
        QCOMPARE(view.calcAntalPlaceringer(starters), 0);

    view.setHeader(QString(), QString());
    QCOMPARE(view.diciplinId(), 2);
    QCOMPARE(view.judges(), QStringLiteral("Anne \"A\" Hansen"));
    QCOMPARE(view.antalStarter(), 0);
    QCOMPARE(view.resterendeStarter(), 0);
}

void TestResultView::formWidgets()
{
    appConfig cfg(nullptr, QString());
    ProbeView named(&cfg, nullptr, QStringLiteral("Dressur A"));
    QCOMPARE(named.objectName(), QStringLiteral("Dressur A"));
    ProbeView view(&cfg);
    QCOMPARE(view.objectName(), QStringLiteral("StaevneKlasseInfoBase"));

    QCOMPARE(view.findChild<QLabel *>(QStringLiteral("klasseInfo")), view.klasseInfo);
    QCOMPARE(view.klasseInfo->text(), QStringLiteral("KlasseInfo"));
    QCOMPARE(view.antalPlac->text(), QStringLiteral("Antal Placeringer:"));
    QCOMPARE(view.dommer->text(), QStringLiteral("Dommer:"));
    QCOMPARE(view.maxPoint->text(), QStringLiteral("Max Point:"));
    QCOMPARE(view.sponsor->text(), QStringLiteral("Sponsor:"));
    QCOMPARE(view.klasseInfo->sizePolicy().horizontalStretch(), 4);
    QCOMPARE(view.antalPlac->sizePolicy().horizontalStretch(), 1);
    QCOMPARE(view.dommer->sizePolicy().horizontalStretch(), 4);
    QCOMPARE(view.maxPoint->sizePolicy().horizontalStretch(), 1);
    QCOMPARE(view.splitter3->orientation(), Qt::Vertical);
    QCOMPARE(view.listView1->parentWidget(), view.splitter3);
    QCOMPARE(view.champTableFrame->parentWidget(), view.splitter3);
    QCOMPARE(view.champTableFrameLayout->contentsMargins(), QMargins(11, 11, 11, 11));
    QCOMPARE(view.champTableFrameLayout->spacing(), 6);
    QCOMPARE(view.frame3->frameShape(), QFrame::StyledPanel);
    QVERIFY(view.width() >= 717 && view.height() >= 542);

    // The form's placeholder row never shows; the list sorts on column 0,
    // descending, until a view chooses otherwise.
    QCOMPARE(view.listView1->topLevelItemCount(), 0);
    QCOMPARE(view.listView1->headerItem()->text(0), QStringLiteral("Column 1"));
    QCOMPARE(view.listView1->sortColumn(), 0);
    QVERIFY(view.listView1->isSortingEnabled());
}

void TestResultView::execSqlWithoutConnection()
{
    QVERIFY(!QSqlDatabase::contains(QStringLiteral("ZEP")));
    appConfig cfg(nullptr, QString());
    ProbeView view(&cfg);
    QSignalSpy asks(&view, &staevneKlasseInfo::connectDB);
    QCOMPARE(view.execSql(QStringLiteral("UPDATE dbo.tblAfdeling SET BevarStartTid = 1")), 0);
    QCOMPARE(asks.count(), 1);
    QCOMPARE(asks.at(0).at(0).toString(), QStringLiteral("ZEP"));
}

void TestResultView::execSqlOnBrokenConnection()
{
    appConfig cfg(nullptr, QString());
    ProbeView view(&cfg);
    QSignalSpy log(&view, &staevneKlasseInfo::logMessage);
    QSignalSpy asks(&view, &staevneKlasseInfo::connectDB);
    {
        // A connection that cannot be opened.
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("ZEP"));
        db.setDatabaseName(m_dir.filePath(QStringLiteral("no/such/dir/zep.db")));
    }
    QCOMPARE(view.execSql(QStringLiteral("SELECT 1")), 0);
    QCOMPARE(log.count(), 1);
    QCOMPARE(log.at(0).at(0).toInt(), 1);
    QVERIFY(log.at(0).at(1).toString().startsWith(QStringLiteral("An database error occured.\n")));

    {
        QSqlDatabase db = QSqlDatabase::database(QStringLiteral("ZEP"), false);
        db.setDatabaseName(QStringLiteral(":memory:"));
        QVERIFY(db.open());
    }
    log.clear();
    const QString bad = QStringLiteral("UPDATE noSuchTable SET x = 1");
    QCOMPARE(view.execSql(bad), 0);
    QCOMPARE(log.count(), 1);
    QCOMPARE(log.at(0).at(0).toInt(), -1);
    const QString message = log.at(0).at(1).toString();
    QVERIFY2(message.startsWith(QStringLiteral("SQL Error ")) && message.endsWith(QStringLiteral("\nstmt ") + bad),
             qPrintable(message));
    QCOMPARE(asks.count(), 0);

    QCOMPARE(view.execSql(QStringLiteral("CREATE TABLE t (x int)")), 0);
    QCOMPARE(view.execSql(QStringLiteral("INSERT INTO t VALUES (1), (2), (3)")), 3);
    QCOMPARE(view.execSql(QStringLiteral("UPDATE t SET x = 0 WHERE x > 1")), 2);

    QSqlDatabase::removeDatabase(QStringLiteral("ZEP"));
}

void TestResultView::uploadFileWithoutConnection()
{
    appConfig cfg(nullptr, QString());
    ProbeView view(&cfg);
    QSignalSpy log(&view, &staevneKlasseInfo::logMessage);
    view.uploadFile(QStringLiteral("html/klasse3_A.html"));
    QCOMPARE(log.count(), 1);
    QCOMPARE(log.at(0), (QVariantList{2, QStringLiteral("Upload file html/klasse3_A.html\n")}));
}

void TestResultView::uploadFilePostsToTheServer()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    QByteArray request;
    connect(&server, &QTcpServer::newConnection, this, [&] {
        QTcpSocket *socket = server.nextPendingConnection();
        connect(socket, &QTcpSocket::readyRead, socket, [socket, &request] {
            request += socket->readAll();
            const int headerEnd = request.indexOf("\r\n\r\n");
            if (headerEnd < 0 || !request.contains("--AaB03x--"))
                return;
            socket->write("HTTP/1.0 200 OK\r\nContent-Length: 8\r\n\r\nreceived");
            socket->disconnectFromHost();
        });
    });

    const QString path = m_dir.filePath(QStringLiteral("klasse3_A.json"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("{\"x\":1}");
    file.close();

    appConfig cfg(nullptr, QString());
    cfg.setValue(QStringLiteral("upload.server"), QStringLiteral("127.0.0.1:%1").arg(server.serverPort()));
    cfg.setValue(QStringLiteral("upload.url"), QStringLiteral("/upload_staevne.php"));
    ProbeView view(&cfg);
    QNetworkAccessManager manager;
    view.uploadConnection = &manager;
    QSignalSpy log(&view, &staevneKlasseInfo::logMessage);
    view.uploadFile(path);

    QTRY_COMPARE(log.count(), 2);
    QVERIFY(request.startsWith("POST /upload_staevne.php HTTP/1.1\r\n"));
    QVERIFY(request.contains("multipart/form-data; boundary=\"AaB03x\"")
            || request.contains("multipart/form-data; boundary=AaB03x"));
    QVERIFY(request.contains("filename=\"klasse3_A.json\""));
    QVERIFY(request.contains("{\"x\":1}"));
    QCOMPARE(log.at(1), (QVariantList{2, QStringLiteral("Upload done id: 1 received\n")}));
}

void TestResultView::jsonEscape_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("escaped");
    QTest::newRow("apostrophe stays") << QStringLiteral("O'Brien") << QStringLiteral("O'Brien");
    QTest::newRow("quote") << QStringLiteral("\"Kaj\"") << QStringLiteral("\\\"Kaj\\\"");
    QTest::newRow("backslash") << QStringLiteral("C:\\zep") << QStringLiteral("C:\\\\zep");
    QTest::newRow("line break and tab") << QStringLiteral("a\r\nb\tc") << QStringLiteral("a\\r\\nb\\tc");
    QTest::newRow("other controls") << QString(QChar(1)) + QChar(0x1f) + QChar(8) + QChar(12)
                                     << QStringLiteral("\\u0001\\u001f\\b\\f");
    QTest::newRow("letters and solidus") << QStringLiteral("Ærø/Å ü €") << QStringLiteral("Ærø/Å ü €");
}

void TestResultView::jsonEscape()
{
    QFETCH(QString, text);
    QFETCH(QString, escaped);
    QCOMPARE(JsonText::escape(text), escaped);
    const QJsonObject back = parse((QStringLiteral("{\"v\":") + JsonText::quoted(text) + QLatin1Char('}')).toUtf8());
    QCOMPARE(back.value(QStringLiteral("v")).toString(), text);
}

void TestResultView::documentMatchesTheFormat()
{
    appConfig cfg(nullptr, QString());
    ProbeView view(&cfg);
    fillSample(view);
    const QByteArray bytes = view.jsonDocument().toJson();
    QCOMPARE(bytes, QByteArray(SampleDocument));
    QCOMPARE(bytes.count('\n'), 6);
    QVERIFY(!parse(bytes).isEmpty());
}

void TestResultView::documentOfEmptyList()
{
    appConfig cfg(nullptr, QString());
    ProbeView view(&cfg);
    view.showKlasse(17, 3, QStringLiteral("A"), 1, 44);
    const QList<QByteArray> lines = view.jsonDocument().toJson().split('\n');
    QCOMPARE(lines.size(), 7); // six lines and the empty text after the last line feed
    QCOMPARE(lines.at(4), QByteArray("]"));
    QCOMPARE(lines.at(3), QByteArray("\"equipages\": ["));
    QCOMPARE(lines.at(2), QByteArray("{\"col\": 0,\"text\": \"Column 1\"}],"));
}

void TestResultView::documentWithNastyTexts()
{
    appConfig cfg(nullptr, QString());
    cfg.setValue(QStringLiteral("staevne.ZEPStaevneId"), QStringLiteral("S\"1\\"));
    ProbeView view(&cfg);
    fillSample(view);
    const QString sponsorText = QStringLiteral("O'Briens \"Hus\"");
    const QString remarksText = QStringLiteral("Linje 1\nLinje 2\tC:\\");
    view.setHeader(sponsorText, remarksText);
    view.showKlasse(17, 3, QStringLiteral("A'B"), 1, 44);
    view.klasseInfo->setText(QStringLiteral("3 LA \"Kür\""));
    view.listView1->setHeaderLabels({QStringLiteral("Start \"Nr\""), QStringLiteral("Rytter")});
    addRow(view.listView1, {QStringLiteral("7"), QStringLiteral("Ann O'Brien\\\n\x01")});

    const QByteArray first = view.jsonDocument().toJson();
    const QByteArray second = view.jsonDocument().toJson();
    QCOMPARE(second, first);
    QCOMPARE(first.count('\n'), 6); // escaped line breaks keep the layout
    QVERIFY(!first.contains("\\'"));

    const QJsonObject doc = parse(first);
    QCOMPARE(doc.value(QStringLiteral("klassesponsor")).toString(), sponsorText);
    QCOMPARE(doc.value(QStringLiteral("remarks")).toString(), remarksText);
    QCOMPARE(doc.value(QStringLiteral("ZEPstaevneId")).toString(), QStringLiteral("S\"1\\"));
    QCOMPARE(doc.value(QStringLiteral("afdeling")).toString(), QStringLiteral("A'B"));
    QCOMPARE(doc.value(QStringLiteral("class")).toString(), QStringLiteral("3 LA \"Kür\""));
    QCOMPARE(doc.value(QStringLiteral("headers")).toArray().at(0).toObject().value(QStringLiteral("text")).toString(),
             QStringLiteral("Start \"Nr\""));
    const QJsonObject row = doc.value(QStringLiteral("equipages")).toArray().at(0).toObject();
    QCOMPARE(row.value(QStringLiteral("col1")).toString(), QStringLiteral("Ann O'Brien\\\n\x01"));
    QCOMPARE(doc.keys().size(), 36);
}

void TestResultView::writeJSonWritesTheFile()
{
    appConfig cfg(nullptr, QString());
    const QString root = m_dir.filePath(QStringLiteral("out/html"));
    cfg.setValue(QStringLiteral("http.root"), root);
    ProbeView view(&cfg);
    fillSample(view);
    QCOMPARE(view.jsonFilePath(), root + QStringLiteral("/klasse3_A.json"));
    view.writeJSon();
    QFile file(root + QStringLiteral("/klasse3_A.json"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray(SampleDocument));

    appConfig defaults(nullptr, QString());
    ProbeView plain(&defaults);
    plain.showKlasse(1, 12, QStringLiteral("B"), 1, 1);
    QCOMPARE(plain.jsonFilePath(), QStringLiteral("html//klasse12_B.json"));
}

void TestResultView::writeJSonFailureKeepsOldFile()
{
    // The output "directory" is a file: nothing can be written under it.
    const QString blocker = m_dir.filePath(QStringLiteral("blocker"));
    QFile file(blocker);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    appConfig cfg(nullptr, QString());
    cfg.setValue(QStringLiteral("http.root"), blocker);
    ProbeView view(&cfg);
    fillSample(view);
    QSignalSpy log(&view, &staevneKlasseInfo::logMessage);
    view.writeJSon();
    QCOMPARE(log.count(), 1);
    QCOMPARE(log.at(0).at(0).toInt(), 1);
    QVERIFY(log.at(0).at(1).toString().contains(QStringLiteral("klasse3_A.json")));

    // A document written before survives a failed rewrite.
    const QString root = m_dir.filePath(QStringLiteral("keep"));
    QString error;
    QVERIFY(writeWholeFile(root + QStringLiteral("/a.json"), "old", &error));
    QVERIFY(!writeWholeFile(root + QStringLiteral("/a.json/b"), "new", &error));
    QVERIFY(!error.isEmpty());
    QFile kept(root + QStringLiteral("/a.json"));
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("old"));
}

void TestResultView::dbValues()
{
    const QVariant nullInt(QMetaType::fromType<int>());
    const QVariant nullText(QMetaType::fromType<QString>());
    QVERIFY(nullInt.isNull());

    QCOMPARE(DbValue::text(QVariant(QStringLiteral("  Anne \t  Marie \n"))), QStringLiteral("Anne Marie"));
    QCOMPARE(DbValue::text(nullText), QString());
    QCOMPARE(DbValue::text(QVariant(42)), QStringLiteral("42"));
    QCOMPARE(DbValue::numberText(nullInt), QStringLiteral("0"));
    QCOMPARE(DbValue::numberText(QVariant(QStringLiteral("  "))), QStringLiteral("0"));
    QCOMPARE(DbValue::numberText(QVariant(QStringLiteral(" 12 "))), QStringLiteral("12"));
    QCOMPARE(DbValue::toInt(nullInt), 0);
    QCOMPARE(DbValue::toInt(QVariant(QStringLiteral(" 17 "))), 17);
    QCOMPARE(DbValue::toInt(QVariant(12.0)), 12);
    QCOMPARE(DbValue::toInt(QVariant(QStringLiteral("12.9"))), 12);
    QCOMPARE(DbValue::toInt(QVariant(QStringLiteral("P1"))), 0);
    QCOMPARE(DbValue::toInt(QVariant(1e12)), 0);
    QCOMPARE(DbValue::toDouble(QVariant(QStringLiteral("345.5"))), 345.5);
    QCOMPARE(DbValue::toDouble(nullInt), 0.0);
    QCOMPARE(DbValue::toDouble(QVariant(QStringLiteral("abc"))), 0.0);
    QCOMPARE(DbValue::sqlLiteral(QStringLiteral("O'Brien''s")), QStringLiteral("O''Brien''''s"));
}

QTEST_MAIN(TestResultView)
#include "tst_resultview.moc"
