#include "ui/QtUserPrompts.h"

#include "ui/TErrorFrm.h"
#include "ui/TNameFrm.h"
#include "ui/TSplashFrm.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

namespace {

// A question asked while the splash still shows would sit behind it, unread:
// the splash goes first.
void hideSplash()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<TSplashFrm*>(w) && w->isVisible())
            w->hide();
}

} // namespace

void QtUserPrompts::beep()
{
    QApplication::beep();
}

void QtUserPrompts::info(const QString& text)
{
    hideSplash();
    beep();
    QMessageBox::information(m_parent, QStringLiteral("Zentrel"), text);
}

void QtUserPrompts::error(const QString& text)
{
    hideSplash();
    beep();
    QMessageBox::critical(m_parent, QStringLiteral("Zentrel"), text);
}

void QtUserPrompts::errorWindow(const QString& first, const QString& second, const QString& instruction)
{
    hideSplash();
    beep();
    TErrorFrm window(m_parent);
    window.setLines(first, second, instruction);
    window.exec();
}

bool QtUserPrompts::confirm(const QString& text)
{
    hideSplash();
    return QMessageBox::question(m_parent, QStringLiteral("Zentrel"), text,
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes)
        == QMessageBox::Yes;
}

UserPrompts::Answer QtUserPrompts::askSave(const QString& text)
{
    hideSplash();
    switch (QMessageBox::question(m_parent, QStringLiteral("Zentrel"), text,
                                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                  QMessageBox::Yes)) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return Answer::Cancel;
    }
}

std::optional<QString> QtUserPrompts::askName(const QString& title)
{
    hideSplash();
    TNameFrm dialog(title, m_parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.name();
}

QString QtUserPrompts::openFile(const QString& title, const QString& filter, const QString& defaultSuffix)
{
    hideSplash();
    QFileDialog dialog(m_parent, title, QString(), filter);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

QString QtUserPrompts::saveFile(const QString& title, const QString& filter, const QString& defaultSuffix)
{
    hideSplash();
    QFileDialog dialog(m_parent, title, QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

bool QtUserPrompts::openUrl(const QString& url)
{
    return QDesktopServices::openUrl(QUrl(url));
}

void QtUserPrompts::setBusy(bool busy)
{
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}
