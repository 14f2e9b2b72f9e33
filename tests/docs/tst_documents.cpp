// The commands the user guide and the README show exist: every option written after one of the
// programs (or standing alone in inline code) is one its --help lists, and every meterdesk-cli
// command is one its --help names.

#include <QFile>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

namespace {

// A piece of code the document shows, with the line it starts on.
struct Snippet
{
    int line;
    QString text;
};

// Inline code spans (also those that go on to the next line of a paragraph), and the lines of
// fenced or indented code blocks, as commands: a code line that goes on with options (or ends in
// a backslash) is joined to the line before.
QList<Snippet> CodeSnippets(const QString &markdown)
{
    QList<Snippet> snippets;
    const QStringList lines = markdown.split(QLatin1Char('\n'));
    static const QRegularExpression inlineCode(QStringLiteral("`([^`]+)`"));
    Snippet paragraph{0, {}};
    const auto endParagraph = [&] {
        for (auto m = inlineCode.globalMatch(paragraph.text); m.hasNext();)
            snippets.append({paragraph.line, m.next().captured(1)});
        paragraph = {0, {}};
    };
    bool fenced = false;
    bool continues = false;
    for (int i = 0; i < lines.size(); ++i) {
        const QString &line = lines[i];
        const bool fence = line.trimmed().startsWith(QLatin1String("```"));
        if (fence || fenced || line.startsWith(QLatin1String("    ")) || line.trimmed().isEmpty())
            endParagraph();
        if (fence) {
            fenced = !fenced;
            continue;
        }
        if (fenced || line.startsWith(QLatin1String("    "))) {
            const QString code = line.trimmed();
            const bool more =
                code.startsWith(QLatin1Char('-')) || code.startsWith(QLatin1Char('['));
            if ((continues || more) && !snippets.isEmpty() && !code.isEmpty())
                snippets.last().text += QLatin1Char(' ') + code;
            else
                snippets.append({i + 1, code});
            continues = code.endsWith(QLatin1Char('\\'));
            continue;
        }
        continues = false;
        if (paragraph.text.isEmpty())
            paragraph.line = i + 1;
        paragraph.text += line + QLatin1Char(' ');
    }
    endParagraph();
    return snippets;
}

// What the programs' --help say, by program name.
using HelpTexts = QHash<QString, QString>;

// The program a token starts, by its file name: "build/tools/cli/meterdesk-cli" is meterdesk-cli,
// "scripts/run" the demo (or the program it is given); empty for any other word.
QString ProgramOf(const QString &token, const QString &next, const HelpTexts &help)
{
    if (token == QLatin1String("scripts/run")) {
        if (next == QLatin1String("meterdesk"))
            return QStringLiteral("meterdesk");
        return next == QLatin1String("gallery") ? QStringLiteral("glowbutton-gallery")
                                                : QStringLiteral("meterdesk-demo");
    }
    const QString name = token.section(QLatin1Char('/'), -1);
    return help.contains(name) ? name : QString();
}

bool Lists(const QString &helpText, const QString &word)
{
    return helpText.contains(
        QRegularExpression(QStringLiteral("(^|[^a-z-])%1($|[^a-z-])").arg(word)));
}

// The options and meterdesk-cli commands in `snippet` that no --help knows.
QStringList UnknownWords(const Snippet &snippet, const HelpTexts &help)
{
    static const QRegularExpression separators(QStringLiteral("[\\s|]+"));
    static const QRegularExpression option(QStringLiteral("^\\[?(--[a-z0-9][a-z0-9-]*)"));
    static const QRegularExpression command(QStringLiteral("^[a-z][a-z-]+$"));
    const QStringList tokens = snippet.text.split(separators, Qt::SkipEmptyParts);
    QStringList unknown;
    QString program;
    bool standalone = !tokens.isEmpty() && option.match(tokens.first()).hasMatch();
    bool commandSeen = false;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const QString &token = tokens[i];
        if (const QString started = ProgramOf(token, tokens.value(i + 1), help);
            !started.isEmpty()) {
            program = started;
            commandSeen = program != QLatin1String("meterdesk-cli");
            standalone = false;
        } else if (token == QLatin1String("&&") || token == QLatin1String(";") ||
                   token == QLatin1String("&")) {
            program.clear();
        } else if (const auto m = option.match(token); m.hasMatch()) {
            const QString name = m.captured(1);
            const bool known =
                standalone ? std::any_of(help.begin(), help.end(),
                                         [&](const QString &text) { return Lists(text, name); })
                           : program.isEmpty() || Lists(help[program], name);
            if (!known)
                unknown << name;
        } else if (!program.isEmpty() && !commandSeen) {
            commandSeen = true;
            if (command.match(token).hasMatch() && !Lists(help[program], token))
                unknown << program + QLatin1Char(' ') + token;
        }
    }
    return unknown;
}

} // namespace

class TestDocuments : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void shouldShowOnlyCommandsAndOptionsThatExist_data();
    void shouldShowOnlyCommandsAndOptionsThatExist();

private:
    HelpTexts m_help;
};

void TestDocuments::initTestCase()
{
    const QList<std::pair<QString, QString>> programs = {
        {QStringLiteral("meterdesk"), QStringLiteral(METERDESK_PATH)},
        {QStringLiteral("meterdesk-cli"), QStringLiteral(METERDESK_CLI_PATH)},
        {QStringLiteral("metersim"), QStringLiteral(METERSIM_PATH)},
        {QStringLiteral("meterdesk-demo"), QStringLiteral(METERDESK_DEMO_PATH)},
        {QStringLiteral("glowbutton-gallery"), QStringLiteral(GALLERY_PATH)},
    };
    for (const auto &[name, path] : programs) {
        QProcess process;
        process.start(path, {QStringLiteral("--help")});
        QVERIFY2(process.waitForFinished(30000), qPrintable(name));
        QCOMPARE(process.exitCode(), 0);
        m_help.insert(name, QString::fromUtf8(process.readAllStandardOutput()));
        QVERIFY2(m_help[name].contains(QLatin1String("--version")), qPrintable(name));
    }
}

void TestDocuments::shouldShowOnlyCommandsAndOptionsThatExist_data()
{
    QTest::addColumn<QString>("markdown");
    QTest::addColumn<QStringList>("unknown");

    const auto read = [](const char *path) {
        QFile file(QStringLiteral(SOURCE_DIR "/") + QString::fromUtf8(path));
        if (!file.open(QIODevice::ReadOnly))
            qFatal("cannot read %s", path);
        return QString::fromUtf8(file.readAll());
    };
    QTest::newRow("the user guide") << read("docs/用户手册.md") << QStringList();
    QTest::newRow("the README") << read("README.md") << QStringList();
    // The check itself: made-up words are caught wherever the documents put them.
    QTest::newRow("made up")
        << QStringLiteral("Run `metersim --noise --no-such-option`, then\n\n"
                          "    $ build/tools/cli/meterdesk-cli read --port COM1\n"
                          "          [--mask HEX16] [--baud-rate N]\n"
                          "    meterdesk-cli sweep --from 0\n\n"
                          "or `--bogus 3` | `meterdesk --list-ports --all` | `cmake --target x`")
        << QStringList{"--no-such-option", "--baud-rate", "meterdesk-cli sweep", "--bogus",
                       "--all"};
}

void TestDocuments::shouldShowOnlyCommandsAndOptionsThatExist()
{
    QFETCH(QString, markdown);
    QFETCH(QStringList, unknown);

    QStringList found;
    QStringList where;
    for (const Snippet &snippet : CodeSnippets(markdown)) {
        const QStringList words = UnknownWords(snippet, m_help);
        found << words;
        for (const QString &word : words)
            where << QStringLiteral("line %1: %2 in: %3").arg(snippet.line).arg(word, snippet.text);
    }
    QVERIFY2(found == unknown, qPrintable(where.join(QLatin1Char('\n'))));
}

QTEST_MAIN(TestDocuments)
#include "tst_documents.moc"
