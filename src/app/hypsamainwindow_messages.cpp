// Failures and refusals shown in the window. The view reports them with the
// lines it printed on the console; the window shows them in plain words.
#include "hypsamainwindow.h"

#include "glnprgrid.h"

#include <QFileInfo>
#include <QMessageBox>
#include <QStatusBar>

namespace {

// The console's lines without their technical prefixes, each starting with a
// capital letter: "JGrid:: *Error* - x.grd holds no height values" becomes
// "X.grd holds no height values".
QString plainWords(const QString& consoleLines)
{
    static const char* const prefixes[] = {
        "JGrid:: *Error* - ", "JGrid:: ", "*** Error *** ", "Error, ", "Error - ",
        "GLNPRGrid::subdivide - refused: ",
    };
    QStringList lines = consoleLines.split('\n', Qt::SkipEmptyParts);
    for (QString& line : lines) {
        for (const char* prefix : prefixes)
            if (line.startsWith(QLatin1String(prefix)))
                line.remove(0, qsizetype(qstrlen(prefix)));
        line = line.trimmed();
        if (!line.isEmpty())
            line[0] = line[0].toUpper();
    }
    return lines.join('\n');
}

} // namespace

void HypsaMainWindow::connectMessages()
{
    connect(glgrid, &GLNPRGrid::loadFailed, this, &HypsaMainWindow::showLoadFailure);
    connect(glgrid, &GLNPRGrid::commandRefused, this, &HypsaMainWindow::showRefusal);
}

// Window-modal and not waited for: the program stays usable behind it.
void HypsaMainWindow::showFailureBox(const QString& objectName, const QString& title, const QString& text,
                                     const QString& reason)
{
    auto* box = new QMessageBox(QMessageBox::Warning, title, text, QMessageBox::Ok, this);
    box->setObjectName(objectName);
    box->setInformativeText(reason);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void HypsaMainWindow::showLoadFailure(const QString& file, const QString& reason)
{
    const QString why = plainWords(reason);
    showFailureBox("loadFailureBox", tr("Cannot Open Grid"), tr("%1 could not be opened.").arg(QFileInfo(file).fileName()),
                   why.isEmpty() ? tr("The file could not be read as a terrain grid.") : why);
}

void HypsaMainWindow::showRefusal(const QString& reason)
{
    statusBar()->showMessage(plainWords(reason).replace('\n', ' '));
}
