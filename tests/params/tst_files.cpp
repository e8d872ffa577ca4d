// Saving and opening parameter data files through the parameter page's procedures,
// with the real editor and the dialogs answered by the test.

#include "TransferTestHost.h"

#include "common/Morvo3Texts.h"
#include "params/ParamEditor.h"
#include "params/ParamFiles.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <memory>
#include <sys/resource.h>

namespace {

const QByteArray IdString(ParamImage::IdentificationString);

QByteArray fileWithHeader(const QByteArray &header, int size, char fillFrom = 1)
{
    QByteArray data(size, '\0');
    for (int i = ParamImage::HeaderLength; i < size; ++i)
        data[i] = char(fillFrom + i % 97);
    for (int i = 0; i < header.size() && i < size; ++i)
        data[i] = header.at(i);
    return data;
}

void fillImage(TParamImage &image, std::uint8_t value)
{
    std::memset(image.bytes, value, sizeof image.bytes);
}

QByteArray imageBytes(const TParamImage &image, int count = ParamImage::BufferCapacity)
{
    return QByteArray(reinterpret_cast<const char *>(image.bytes), count);
}

// Everything one test needs, fresh each time.
struct TFilesFixture
{
    Morvo3Texts Texts;
    TParamImage Image;
    std::unique_ptr<TParamEditor> Editor = std::make_unique<TParamEditor>();
    TTransferTestHost Host{Editor.get()};
    TParamFiles Files{Texts, Image, Host};
    QTemporaryDir Dir;

    QString SaveName;
    QString OpenName;
    bool AnswerYes = false;
    int SaveAsked = 0;
    int OpenAsked = 0;
    QStringList Questions;
    QStringList Warnings;

    TFilesFixture()
    {
        TParamFiles::Dialogs dialogs;
        dialogs.saveFileName = [this] { ++SaveAsked; return SaveName; };
        dialogs.openFileName = [this] { ++OpenAsked; return OpenName; };
        dialogs.askYesNo = [this](const QString &text) { Questions << text; return AnswerYes; };
        dialogs.warning = [this](const QString &text) { Warnings << text; };
        Files.setDialogs(dialogs);
    }

    QString path(const QString &name) const { return Dir.filePath(name); }

    QString writeFile(const QString &name, const QByteArray &data) const
    {
        QFile f(path(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size())
            qFatal("cannot prepare %s", qPrintable(f.fileName()));
        return f.fileName();
    }

    template <typename T>
    T *control(const char *name) const { return Editor->findChild<T *>(QString::fromLatin1(name)); }
};

} // namespace

class TestFiles : public QObject
{
    Q_OBJECT
private slots:
    void saveThenOpenRestoresTheEditor();
    void open_data();
    void open();
    void saveRefusesAnInvalidImage();
    void saveCancelled();
    void failedSaveKeepsTheExistingFile();
};

void TestFiles::saveThenOpenRestoresTheEditor()
{
    TFilesFixture f;
    auto *rel1 = f.control<QSpinBox>("seREL1time");
    auto *sms = f.control<QLineEdit>("edSMS1");
    QVERIFY(rel1 && sms);
    rel1->setValue(42);
    sms->setText(QStringLiteral("Riasztas Z1"));

    f.SaveName = f.path(QStringLiteral("set.KVD"));
    QCOMPARE(f.Files.spbSaveClick(), TFileOutcome::Saved);
    QCOMPARE(f.SaveAsked, 1);

    QFile saved(f.SaveName);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QByteArray content = saved.readAll();
    QCOMPARE(content.size(), ParamImage::ImageLength);
    QCOMPARE(content, imageBytes(f.Image, ParamImage::ImageLength));
    QVERIFY(content.startsWith(IdString));
    QCOMPARE(std::uint8_t(content.at(2361)), std::uint8_t(42)); // REL1_TIME's payload byte

    // Edit, then open the saved file: the saved values come back without a question.
    rel1->setValue(7);
    sms->setText(QStringLiteral("other"));
    f.OpenName = f.SaveName;
    QCOMPARE(f.Files.spbOpenClick(), TFileOutcome::Loaded);
    QVERIFY(f.Questions.isEmpty());
    QVERIFY(f.Warnings.isEmpty());
    QCOMPARE(rel1->value(), 42);
    QCOMPARE(sms->text(), QStringLiteral("Riasztas Z1"));
    QCOMPARE(f.Host.Maximum, ParamFile::OpenProgressMaximum);
    QCOMPARE(f.Host.Position, ParamFile::OpenProgressMaximum);
    QVERIFY(!f.Host.isRed());
}

void TestFiles::open_data()
{
    QTest::addColumn<QByteArray>("content");     // empty with makeDir/missing
    QTest::addColumn<QString>("special");        // "", "missing", "directory"
    QTest::addColumn<bool>("answerYes");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QString>("warningKey");     // catalogue key of the expected warning, "" none, "*" any
    QTest::addColumn<QString>("question");       // the foreign-header question, "" when none comes
    QTest::addColumn<int>("loadedBytes");        // bytes of the file expected in the image, -1 none

    const QByteArray foreign("ZEHL,64,31,Tavor GSM,DataStruct PGMv1.02");
    const QString foreignQuestion = QString::fromUtf8(
        "Eltérő adatverzió :  ZEHL,64,31,Morvo3 GPRS,DataStruct PGMv1.10  <-->  "
        "ZEHL,64,31,Tavor GSM,DataStruct PGMv1.02   Mégis beolvassa a paramétereket?");
    // The header text is the first 64 bytes: three copies of the 21-byte script line and one '#'.
    const QString scriptQuestion = QString::fromUtf8(
        "Eltérő adatverzió :  ZEHL,64,31,Morvo3 GPRS,DataStruct PGMv1.10  <-->  "
        "#!/bin/sh\necho hello\n#!/bin/sh\necho hello\n#!/bin/sh\necho hello\n#   "
        "Mégis beolvassa a paramétereket?");
    QTest::newRow("10-byte file") << QByteArray(10, 'Z') << QString() << false
                                  << int(TFileOutcome::ReadFailed) << "lbTXT_FAILED_TO_READ_FILE" << QString() << -1;
    QTest::newRow("empty file") << QByteArray() << QString() << false
                                << int(TFileOutcome::ReadFailed) << "lbTXT_FAILED_TO_READ_FILE" << QString() << -1;
    QTest::newRow("1 MB file loads 4096") << fileWithHeader(IdString, 1024 * 1024) << QString() << false
                                          << int(TFileOutcome::Loaded) << "" << QString() << ParamImage::BufferCapacity;
    QTest::newRow("not a parameter file, No") << QByteArray("#!/bin/sh\necho hello\n").repeated(200) << QString()
                                              << false << int(TFileOutcome::NotLoaded) << "" << scriptQuestion << -1;
    QTest::newRow("63 bytes of a good header") << IdString.leftJustified(63, '\0') << QString() << true
                                               << int(TFileOutcome::ReadFailed) << "lbTXT_FAILED_TO_READ_FILE" << QString() << -1;
    QTest::newRow("foreign header, No") << fileWithHeader(foreign, ParamImage::ImageLength) << QString() << false
                                        << int(TFileOutcome::NotLoaded) << "" << foreignQuestion << -1;
    QTest::newRow("foreign header, Yes") << fileWithHeader(foreign, ParamImage::ImageLength) << QString() << true
                                         << int(TFileOutcome::Loaded) << "" << foreignQuestion << ParamImage::ImageLength;
    QTest::newRow("5000 bytes load 4096") << fileWithHeader(IdString, 5000) << QString() << false
                                          << int(TFileOutcome::Loaded) << "" << QString() << ParamImage::BufferCapacity;
    QTest::newRow("100 bytes leave the rest") << fileWithHeader(IdString, 100) << QString() << false
                                              << int(TFileOutcome::Loaded) << "" << QString() << 100;
    // Zero bytes inside the header are skipped when it is recognised.
    QByteArray spaced = fileWithHeader(QByteArray(), ParamImage::ImageLength);
    for (int i = 0; i < ParamImage::HeaderLength; ++i)
        spaced[i] = '\0';
    for (int i = 0; i < IdString.size(); ++i)
        spaced[i + i / 10] = IdString.at(i);
    QTest::newRow("header with inner zeros") << spaced << QString() << false
                                             << int(TFileOutcome::Loaded) << "" << QString() << ParamImage::ImageLength;
    QTest::newRow("missing file") << QByteArray() << QStringLiteral("missing") << false
                                  << int(TFileOutcome::CannotOpen) << "*" << QString() << -1;
    QTest::newRow("a directory") << QByteArray() << QStringLiteral("directory") << false
                                 << int(TFileOutcome::CannotOpen) << "*" << QString() << -1;
}

void TestFiles::open()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, special);
    QFETCH(bool, answerYes);
    QFETCH(int, outcome);
    QFETCH(QString, warningKey);
    QFETCH(QString, question);
    QFETCH(int, loadedBytes);

    TFilesFixture f;
    f.AnswerYes = answerYes;
    auto *rel1 = f.control<QSpinBox>("seREL1time");
    QVERIFY(rel1);
    rel1->setValue(99); // an edit the user has not saved
    fillImage(f.Image, 0xA5);
    const QByteArray before = imageBytes(f.Image);

    if (special == QLatin1String("missing"))
        f.OpenName = f.path(QStringLiteral("nothing-here.KVD"));
    else if (special == QLatin1String("directory"))
        f.OpenName = f.Dir.path();
    else
        f.OpenName = f.writeFile(QStringLiteral("in.KVD"), content);

    QCOMPARE(int(f.Files.spbOpenClick()), outcome);
    QCOMPARE(f.OpenAsked, 1);
    QCOMPARE(f.Host.Maximum, ParamFile::OpenProgressMaximum);

    if (warningKey.isEmpty()) {
        QVERIFY2(f.Warnings.isEmpty(), qPrintable(f.Warnings.join(QLatin1Char('|'))));
    } else {
        QCOMPARE(f.Warnings.size(), 1);
        if (warningKey != QLatin1String("*"))
            QCOMPARE(f.Warnings.constFirst(), f.Texts.text(warningKey));
        else
            QVERIFY(f.Warnings.constFirst().contains(QDir::toNativeSeparators(f.OpenName)));
    }

    QCOMPARE(f.Questions.size(), question.isEmpty() ? 0 : 1);
    if (!question.isEmpty())
        QCOMPARE(f.Questions.constFirst(), question);

    const QByteArray after = imageBytes(f.Image);
    if (loadedBytes < 0) {
        // Nothing loaded: image and the user's edit stay, and the bar does not
        // claim a load by running full.
        QCOMPARE(after, before);
        QCOMPARE(f.Host.EditorLoads, 0);
        QCOMPARE(rel1->value(), 99);
        QCOMPARE(f.Host.Position, 0);
    } else {
        QCOMPARE(after.left(loadedBytes), content.left(loadedBytes));
        QCOMPARE(after.mid(loadedBytes), before.mid(loadedBytes));
        QCOMPARE(f.Host.EditorLoads, 1);
        QCOMPARE(f.Host.Position, ParamFile::OpenProgressMaximum);
    }
}

void TestFiles::saveRefusesAnInvalidImage()
{
    // Without an editor the image is what it is: an empty one is not saved.
    Morvo3Texts texts;
    TParamImage image;
    TTransferTestHost host;
    TParamFiles files(texts, image, host);
    int asked = 0;
    TParamFiles::Dialogs dialogs;
    dialogs.saveFileName = [&] { ++asked; return QStringLiteral("/nonexistent/never.KVD"); };
    files.setDialogs(dialogs);

    QCOMPARE(files.spbSaveClick(), TFileOutcome::InvalidImage);
    QCOMPARE(asked, 0);
    QCOMPARE(host.Messages, QStringList{texts.text(QStringLiteral("lbTXT_CANNOT_SAVE_DATA"))});
}

void TestFiles::saveCancelled()
{
    TFilesFixture f;
    f.SaveName.clear();
    QCOMPARE(f.Files.spbSaveClick(), TFileOutcome::Cancelled);
    QCOMPARE(f.SaveAsked, 1);
    QVERIFY(QDir(f.Dir.path()).entryList(QDir::Files).isEmpty());
}

void TestFiles::failedSaveKeepsTheExistingFile()
{
    TFilesFixture f;
    const QByteArray old = fileWithHeader(IdString, ParamImage::ImageLength, 7);
    f.SaveName = f.writeFile(QStringLiteral("keep.KVD"), old);
    f.control<QSpinBox>("seREL1time")->setValue(3);

    // The file system refuses to grow any file beyond 1000 bytes during the save:
    // a write that went straight into the target would leave it cut short.
    struct rlimit saved {};
    QVERIFY(getrlimit(RLIMIT_FSIZE, &saved) == 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 1000;
    QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
    const TFileOutcome outcome = f.Files.spbSaveClick();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    QCOMPARE(outcome, TFileOutcome::WriteFailed);
    QCOMPARE(f.Warnings.size(), 1);
    QVERIFY(f.Warnings.constFirst().contains(QDir::toNativeSeparators(f.SaveName)));
    QFile kept(f.SaveName);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), old);
    // No temporary file is left behind either.
    QCOMPARE(QDir(f.Dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("keep.KVD")});
}

QTEST_MAIN(TestFiles)
#include "tst_files.moc"
