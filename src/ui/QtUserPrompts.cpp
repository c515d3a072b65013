#include "ui/QtUserPrompts.h"

#include "ui/TErrorFrm.h"
#include "ui/TNameFrm.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

void QtUserPrompts::beep()
{
    QApplication::beep();
}

void QtUserPrompts::info(const QString& text)
{
    beep();
    QMessageBox::information(m_parent, QStringLiteral("Zentrel"), text);
}

void QtUserPrompts::error(const QString& text)
{
    beep();
    QMessageBox::critical(m_parent, QStringLiteral("Zentrel"), text);
}

void QtUserPrompts::errorWindow(const QString& first, const QString& second, const QString& instruction)
{
    beep();
    TErrorFrm window(m_parent);
    window.setLines(first, second, instruction);
    window.exec();
}

bool QtUserPrompts::confirm(const QString& text)
{
    return QMessageBox::question(m_parent, QStringLiteral("Zentrel"), text,
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes)
        == QMessageBox::Yes;
}

UserPrompts::Answer QtUserPrompts::askSave(const QString& text)
{
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
    TNameFrm dialog(title, m_parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.name();
}

QString QtUserPrompts::openFile(const QString& title, const QString& filter, const QString& defaultSuffix)
{
    QFileDialog dialog(m_parent, title, QString(), filter);
    dialog.setFileMode(QFileDialog::ExistingFile);
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
