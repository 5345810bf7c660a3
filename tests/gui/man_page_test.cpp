// The man pages match the programs: every option each program's --help
// prints, and every menu entry, key and control of the viewer's window.
#include "hypsamainwindow.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

QString run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForFinished(60000) && process.exitCode() == 0) << program.toStdString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The page as a reader sees it, in plain ASCII on one line: no hyphenation,
// no breaks, single spaces.
QString pageText(const char* program)
{
    const QString page = QString(HYPSA_BIN_DIR "/../man/") + program + ".1";
    const QString text = run("groff", {"-man", "-Tascii", "-rLL=100000n", "-rHY=0", "-P-cbou", page});
    return text.simplified();
}

// The options --help lists: "-h", "--help", "--max-samples", ...
QStringList helpOptions(const char* program)
{
    const QString help = run(HYPSA_BIN_DIR "/" + QString(program), {"--help"});
    static const QRegularExpression option(R"(^  (?:(-\w), )?(--[\w-]+))", QRegularExpression::MultilineOption);
    QStringList options;
    for (auto match = option.globalMatch(help); match.hasNext();) {
        const auto m = match.next();
        options << m.captured(2);
        if (!m.captured(1).isEmpty())
            options << m.captured(1);
    }
    return options;
}

bool mentions(const QString& page, const QString& words)
{
    return page.contains(QString(words).remove('&').simplified());
}

} // namespace

TEST(ManPages, EveryOptionOfHelpIsInThePage)
{
    for (const char* program : {"hypsa", "hypsa-grid", "hypsa-render"}) {
        const QString page = pageText(program);
        const QStringList options = helpOptions(program);
        EXPECT_GE(options.size(), 3) << program;
        for (const QString& option : options)
            EXPECT_TRUE(page.contains(QRegularExpression("(^|[ ,\\[(])" + QRegularExpression::escape(option) +
                                                         "($|[ ,.=<\\])])")))
                << program << ": " << option.toStdString();
    }
}

TEST(ManPages, TheViewerPageNamesEveryMenuEntryKeyAndControl)
{
    HypsaMainWindow w;
    const QString page = pageText("hypsa");
    QStringList names;
    for (QAction* menu : w.menuBar()->actions()) {
        names << menu->text();
        for (QAction* entry : menu->menu()->actions()) {
            const bool recentFile = menu->menu() == w.fileMenu && entry->menu() == nullptr &&
                                    entry->parent() == w.recentFilesMenu && entry != w.clearRecentFilesAction;
            if (!entry->isSeparator() && !recentFile)
                names << entry->text();
            if (entry->menu())
                for (QAction* sub : entry->menu()->actions())
                    if (sub == w.clearRecentFilesAction)
                        names << sub->text();
        }
    }
    // Each key as a word of the KEYS section.
    const qsizetype keysAt = page.indexOf(" KEYS "), mouseAt = page.indexOf(" MOUSE ");
    ASSERT_TRUE(keysAt > 0 && mouseAt > keysAt);
    const QString keys = page.mid(keysAt, mouseAt - keysAt + 1);
    for (const QAction* action : w.findChildren<QAction*>()) {
        const QString key = action->shortcut().toString(QKeySequence::NativeText);
        if (!key.isEmpty()) {
            EXPECT_TRUE(keys.contains(" " + key + " ")) << key.toStdString();
        }
    }
    for (const QCheckBox* box : w.findChildren<QCheckBox*>())
        names << box->text();
    for (const QLabel* label : w.findChildren<QLabel*>())
        if (!label->text().isEmpty() && !label->text().endsWith(':'))
            names << label->text();
    for (const QGroupBox* box : w.findChildren<QGroupBox*>())
        names << box->title();
    for (const QAbstractButton* button : w.findChildren<QAbstractButton*>())
        names << (button->text().isEmpty() ? button->toolTip() : button->text());
    names.removeAll(QString());
    EXPECT_GE(names.size(), 30);
    for (const QString& name : names)
        EXPECT_TRUE(mentions(page, name)) << name.toStdString();
    for (const char* words : {"wheel", "left button", "right button"})
        EXPECT_TRUE(mentions(page, words)) << words;
}
