// Writes the sign database KelmFile.dll (a Jet 4.0 file) from the text
// sources, or any database from a table description (test fixtures).
//
//   MakeSignDatabase --strokes data/strokes.txt --signs data/signs.txt
//                    [--layout grouped-text|per-character|grouped-memo] -o OUT
//   MakeSignDatabase --tables FIXTURE.txt -o OUT
//
// Bad input is refused with a message naming the file, line and record, exit
// status 1, and no output file (an existing one stays as it was).

#include "JetWriter.h"
#include "SignDatabaseSources.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <cstdio>

namespace {

QByteArray ReadFile(const QString &path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    throw SourceError(QStringLiteral("%1: cannot read: %2").arg(path, file.errorString()).toStdString());
  return file.readAll();
}

int Refuse(const QString &message) {
  std::fprintf(stderr, "MakeSignDatabase: %s\n", qPrintable(message));
  return 1;
}

} // namespace

int main(int argc, char *argv[]) {
  QCoreApplication app(argc, argv);
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("Writes the sign database (Jet 4.0) from its text sources."));
  parser.addHelpOption();
  const QCommandLineOption strokesOption(QStringLiteral("strokes"), QStringLiteral("Stroke source."),
                                         QStringLiteral("file"));
  const QCommandLineOption signsOption(QStringLiteral("signs"), QStringLiteral("Sign source."), QStringLiteral("file"));
  const QCommandLineOption layoutOption(QStringLiteral("layout"),
                                        QStringLiteral("Rows of bihua: grouped-text (default), per-character or "
                                                       "grouped-memo."),
                                        QStringLiteral("layout"), QStringLiteral("grouped-text"));
  const QCommandLineOption tablesOption(QStringLiteral("tables"),
                                        QStringLiteral("Table description instead of the "
                                                       "sources."),
                                        QStringLiteral("file"));
  const QCommandLineOption outputOption(QStringList{QStringLiteral("o"), QStringLiteral("output")},
                                        QStringLiteral("Database to write."), QStringLiteral("file"));
  parser.addOptions({strokesOption, signsOption, layoutOption, tablesOption, outputOption});
  parser.process(app);

  if (!parser.isSet(outputOption))
    return Refuse(QStringLiteral("no output file given (-o)"));
  const bool fromTables = parser.isSet(tablesOption);
  if (fromTables == (parser.isSet(strokesOption) || parser.isSet(signsOption)) ||
      (!fromTables && !(parser.isSet(strokesOption) && parser.isSet(signsOption))))
    return Refuse(QStringLiteral("give either --strokes and --signs, or --tables"));

  try {
    std::vector<Jet::Table> tables;
    if (fromTables) {
      const QString path = parser.value(tablesOption);
      tables = ParseTableDescription(ReadFile(path), path);
    } else {
      StrokeLayout layout;
      const QString name = parser.value(layoutOption);
      if (name == u"per-character")
        layout = StrokeLayout::PerCharacter;
      else if (name == u"grouped-text")
        layout = StrokeLayout::GroupedText;
      else if (name == u"grouped-memo")
        layout = StrokeLayout::GroupedMemo;
      else
        return Refuse(QStringLiteral("unknown layout \"%1\"").arg(name));
      const QString strokePath = parser.value(strokesOption);
      const QString signPath = parser.value(signsOption);
      tables.push_back(MakeStrokeTable(ParseStrokeSource(ReadFile(strokePath), strokePath), layout));
      tables.push_back(MakeSignTable(ParseSignSource(ReadFile(signPath), signPath)));
    }
    Jet::WriteDatabase(parser.value(outputOption), tables);
  } catch (const SourceError &e) {
    return Refuse(QString::fromStdString(e.what()));
  } catch (const Jet::WriteError &e) {
    return Refuse(QString::fromStdString(e.what()));
  }
  return 0;
}
