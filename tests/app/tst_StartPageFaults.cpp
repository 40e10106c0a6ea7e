// The start-page store as the exit dialog meets it when its settings file is
// damaged or out of reach: unreadable, unwritable, or holding anything at all.
// Whatever the file holds, reading gives a text or a reported error, the
// dialog opens, and a write either stores the page or leaves every byte of
// the file as it was.

#include "EndMsg.h"
#include "ErrorHandler.h"
#include "StartPage.h"

#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <sys/fsuid.h>
#include <unistd.h>

#include <memory>
#include <stdexcept>

namespace {

const QString Offered = QStringLiteral("http://www.example.com/?400");

QByteArray ReadAll(const QString &path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Runs body with the file-system identity of an unprivileged user when the
// test runs as root, so that file permissions bind (setfsuid also drops the
// capability to override them); as another user permissions bind anyway.
template <typename Body> void AsUnprivileged(Body body) {
  const bool root = ::geteuid() == 0;
  if (root)
    ::setfsuid(65534);
  body();
  if (root)
    ::setfsuid(0);
}

} // namespace

class tst_StartPageFaults : public QObject {
  Q_OBJECT

private slots:
  void init();
  void cleanup();
  void garbage_data();
  void garbage();
  void unreadable();
  void unwritable();
  void staleLock_data();
  void staleLock();
  void keyAsTheReadmeGivesIt();

private:
  std::unique_ptr<QTemporaryDir> Dir;
  QString File;
  QStringList Reported;
};

void tst_StartPageFaults::init() {
  Dir = std::make_unique<QTemporaryDir>();
  // Searchable by anyone, for the unprivileged identity above.
  QFile::setPermissions(Dir->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ExeOther);
  File = Dir->filePath(QStringLiteral("InternetExplorer.ini"));
  SetStartPageStoreFile(File);
  Reported.clear();
  SetErrorReporter([this](const QString &message, const QString &) { Reported << message; });
}

void tst_StartPageFaults::cleanup() {
  SetStartPageStoreFile(QString());
  SetErrorReporter({});
}

void tst_StartPageFaults::garbage_data() {
  QTest::addColumn<QByteArray>("contents");
  QByteArray binary(4096, Qt::Uninitialized);
  for (int i = 0; i < binary.size(); ++i)
    binary[i] = static_cast<char>(i * 37 + 11);
  QTest::newRow("binary") << binary;
  QTest::newRow("NUL bytes") << QByteArray("[Main]\nStart Page=http://a.example/\0\0\0tail\n", 43);
  QTest::newRow("group never closed") << QByteArray("[Main\nStart Page=http://a.example/\n");
  QTest::newRow("key without value") << QByteArray("[Main]\nStart Page\n");
  QTest::newRow("cut inside an escape") << QByteArray("[Main]\nStart%20Page=\"http://a.example/\\");
  QTest::newRow("invalid UTF-8") << QByteArray("[Main]\nStart Page=\xC0\xAF\xFF\xFE\n");
  QTest::newRow("line of 1 MiB") << "[Main]\nStart Page=" + QByteArray(1 << 20, 'x') + "\n";
  QTest::newRow("100000 groups") << QByteArray("[g]\nk=v\n").repeated(100000);
  QTest::newRow("typed value that is no string")
      << QByteArray("[Main]\nStart%20Page=@Variant(\\0\\0\\0\\x7f\\0\\0\\0)\n");
}

void tst_StartPageFaults::garbage() {
  QFETCH(QByteArray, contents);
  {
    QFile file(File);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(contents);
  }
  // Reading: a text, or the one error the store raises.
  try {
    GetStartPage();
  } catch (const std::runtime_error &) {
  }
  // The dialog opens whatever the file holds, the offer shown unless the
  // file does hold the offered page.
  {
    TFrmMsG dialog;
    QVERIFY(dialog.findChild<QCheckBox *>(QStringLiteral("CheckBox1"))->isVisibleTo(&dialog));
  }
  // Writing: stored and read back, or refused with the file untouched.
  try {
    SetStartPage(Offered);
    QCOMPARE(GetStartPage(), Offered);
  } catch (const std::runtime_error &) {
    QCOMPARE(ReadAll(File), contents);
  }
}

void tst_StartPageFaults::unreadable() {
  {
    QSettings store(File, QSettings::IniFormat);
    store.setValue(QStringLiteral("Main/Search Page"), QStringLiteral("http://search.example/"));
    store.setValue(QStringLiteral("Main/Start Page"), Offered);
  }
  const QByteArray before = ReadAll(File);
  QVERIFY(QFile::setPermissions(File, QFile::WriteOwner | QFile::WriteOther));
  QString read;
  bool writeRefused = false;
  AsUnprivileged([&] {
    read = GetStartPage();
    try {
      SetStartPage(QStringLiteral("http://other.example/"));
    } catch (const std::runtime_error &) {
      writeRefused = true;
    }
  });
  // Unreadable counts as no start page; a write would replace contents it
  // cannot see, so it is refused.
  QCOMPARE(read, QString());
  QVERIFY(writeRefused);
  QVERIFY(QFile::setPermissions(File, QFile::ReadOwner | QFile::WriteOwner));
  QCOMPARE(ReadAll(File), before);
}

void tst_StartPageFaults::unwritable() {
  {
    QSettings store(File, QSettings::IniFormat);
    store.setValue(QStringLiteral("Main/Search Page"), QStringLiteral("http://search.example/"));
  }
  const QByteArray before = ReadAll(File);
  // Neither the file nor its folder can be written (QSettings writes through
  // a temporary file in the folder).
  QVERIFY(QFile::setPermissions(File, QFile::ReadOwner | QFile::ReadOther));
  QVERIFY(QFile::setPermissions(Dir->path(), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
  bool confirmed = true;
  QString read;
  AsUnprivileged([&] {
    read = GetStartPage();
    TFrmMsG dialog;
    dialog.Button1Click();
    confirmed = dialog.ExitConfirmed;
  });
  QVERIFY(QFile::setPermissions(Dir->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
  QCOMPARE(read, QString());
  QVERIFY(!confirmed); // the failed write keeps the program running
  QCOMPARE(Reported.size(), 1);
  QCOMPARE(ReadAll(File), before);
}

void tst_StartPageFaults::staleLock_data() {
  QTest::addColumn<QByteArray>("lock");
  QTest::newRow("empty, its writer killed while creating it") << QByteArray();
  QTest::newRow("garbage") << QByteArray("not a lock\n");
}

// A lock file left a moment ago by a program that was killed: the save goes
// through at once and leaves nothing behind it but the settings.
void tst_StartPageFaults::staleLock() {
  QFETCH(QByteArray, lock);
  {
    QFile file(File + QStringLiteral(".lock"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(lock);
  }
  QElapsedTimer clock;
  clock.start();
  SetStartPage(Offered);
  QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
  QCOMPARE(GetStartPage(), Offered);
  QCOMPARE(QDir(Dir->path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
           QStringList{QStringLiteral("InternetExplorer.ini")});
}

// The README names the line: "Start%20Page=" under [Main], Qt's INI form
// of the key "Start Page"; a line written by hand with the space reads too.
void tst_StartPageFaults::keyAsTheReadmeGivesIt() {
  SetStartPage(Offered);
  QCOMPARE(ReadAll(File), "[Main]\nStart%20Page=" + Offered.toLatin1() + "\n");
  QFile file(File);
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write("[Main]\nStart Page=http://by-hand.example/\n");
  file.close();
  QCOMPARE(GetStartPage(), QStringLiteral("http://by-hand.example/"));
}

QTEST_MAIN(tst_StartPageFaults)
#include "tst_StartPageFaults.moc"
