#include "ui/Tsimtellpassfrm.h"

#include "services/SimtelRequest.h"
#include "ui/InputRules.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QShowEvent>
#include <QVBoxLayout>

Tsimtellpassfrm::Tsimtellpassfrm(SimtelRequest& request, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), m_request(request)
{
    setObjectName(QStringLiteral("simtellpassfrm"));
    setWindowTitle(QStringLiteral("Simtel Password - PLEASE READ!"));
    setModal(true);

    // The request keeps its place; checking okbox adds the password part below it.
    auto* top = new QWidget(this);
    auto* intro = new QLabel(
        QStringLiteral("Simtel takes uploads only from a program's author or the author's agent, and only with a "
                       "password it sends you by e-mail. Send the request below; when the password arrives, tick the "
                       "box at the bottom and enter it. Until then Zentrel leaves the Simtel sites out of your runs."),
        top);
    intro->setObjectName(QStringLiteral("IntroLabel"));
    intro->setTextFormat(Qt::PlainText);
    intro->setWordWrap(true);

    m_edit1 = InputRules::newEdit(top, "Edit1", "Your name; the request is sent from it");
    m_edit2 = InputRules::newEdit(top, "Edit2", "The address Simtel sends the password to");
    m_edit3 = InputRules::newEdit(top, "Edit3", "The host name of your outgoing mail (SMTP) server");
    m_edit5 = InputRules::newEdit(top, "Edit5", "The application you will upload to Simtel");
    m_memo1 = new QPlainTextEdit(top);
    m_memo1->setObjectName(QStringLiteral("Memo1"));
    m_memo1->setToolTip(QStringLiteral("A few lines on what the file is"));
    m_memo1->setTabChangesFocus(true);
    m_memo1->setMinimumHeight(40);

    auto* form = new QFormLayout;
    form->setVerticalSpacing(3);
    form->addRow(QStringLiteral("E-Mail Username:"), m_edit1);
    form->addRow(QStringLiteral("E-Mail Reply-To Address:"), m_edit2);
    form->addRow(QStringLiteral("SMTP Server:"), m_edit3);
    form->addRow(QStringLiteral("Name of Application you will be uploading:"), m_edit5);
    form->addRow(QStringLiteral("Brief Description of file you will be uploading:"), m_memo1);

    m_authorcheck =
        new QCheckBox(QStringLiteral("I am the author of this software or the author's authorized agent"), top);
    m_authorcheck->setObjectName(QStringLiteral("authorcheck"));
    m_button1 = new QPushButton(QStringLiteral("Send Request to Simtel"), top);
    m_button1->setObjectName(QStringLiteral("Button1"));
    m_button1->setAutoDefault(false);
    connect(m_button1, &QPushButton::clicked, this, &Tsimtellpassfrm::Button1Click);
    auto* sendRow = new QHBoxLayout;
    sendRow->addWidget(m_authorcheck, 1);
    sendRow->addWidget(m_button1);

    m_okbox = new QCheckBox(
        QStringLiteral("Click here if you have received the Simtel password and agree to all terms."), top);
    m_okbox->setObjectName(QStringLiteral("okbox"));
    connect(m_okbox, &QCheckBox::toggled, this, &Tsimtellpassfrm::okboxClick);

    m_passwordPanel = new QWidget(this);
    m_passwordPanel->setObjectName(QStringLiteral("PasswordPanel"));
    m_edit4 = InputRules::newEdit(m_passwordPanel, "Edit4", "The upload password Simtel sent you");
    m_button2 = new QPushButton(QStringLiteral("Accept Password"), m_passwordPanel);
    m_button2->setObjectName(QStringLiteral("Button2"));
    m_button2->setAutoDefault(false);
    connect(m_button2, &QPushButton::clicked, this, &Tsimtellpassfrm::Button2Click);
    auto* panelLayout = new QVBoxLayout(m_passwordPanel);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    auto* passwordForm = new QFormLayout;
    passwordForm->addRow(QStringLiteral("Simtel Password:"), m_edit4);
    panelLayout->addLayout(passwordForm);
    auto* acceptRow = new QHBoxLayout;
    acceptRow->addStretch(1);
    acceptRow->addWidget(m_button2);
    panelLayout->addLayout(acceptRow);
    panelLayout->addStretch(1);
    m_passwordPanel->hide();

    auto* topLayout = new QVBoxLayout(top);
    topLayout->setContentsMargins(0, 0, 0, 0);
    topLayout->setSpacing(4);
    topLayout->addWidget(intro);
    topLayout->addLayout(form, 1);
    topLayout->addLayout(sendRow);
    topLayout->addSpacing(6);
    topLayout->addWidget(m_okbox);

    constexpr int Margin = 9;
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(Margin, Margin, Margin, Margin);
    layout->addWidget(top);
    layout->addWidget(m_passwordPanel, 1);
    top->setFixedHeight(ClosedHeight - 2 * Margin);

    resize(540, ClosedHeight);
    setFixedHeight(ClosedHeight);
}

SimtelRequestFields Tsimtellpassfrm::fields() const
{
    SimtelRequestFields f;
    f.userName = m_edit1->text();
    f.replyTo = m_edit2->text();
    f.server = m_edit3->text();
    f.application = m_edit5->text();
    f.description = m_memo1->toPlainText();
    f.author = m_authorcheck->isChecked();
    return f;
}

void Tsimtellpassfrm::showEvent(QShowEvent* event)
{
    if (!event->spontaneous()) {
        const SimtelRequestFields held = m_request.fieldsFromSettings();
        m_edit3->setText(held.server);
        m_edit2->setText(held.replyTo);
        m_edit1->setText(held.userName);
    }
    QDialog::showEvent(event);
}

void Tsimtellpassfrm::okboxClick(bool checked)
{
    m_passwordPanel->setVisible(checked);
    setFixedHeight(checked ? OpenHeight : ClosedHeight);
}

void Tsimtellpassfrm::Button1Click()
{
    // A press while the mail is on the way would start a second one inside the first.
    if (m_sending)
        return;
    bool sent = false;
    {
        m_sending = true;
        const auto over = qScopeGuard([this] { m_sending = false; });
        sent = m_request.send(fields());
    }
    if (sent)
        accept();
}

void Tsimtellpassfrm::Button2Click()
{
    if (m_sending)
        return;
    m_request.acceptPassword(m_edit4->text());
    accept();
}

void Tsimtellpassfrm::done(int result)
{
    // Escape and the frame's close end up here too; none may end the window while
    // its mail is on the way.
    if (m_sending)
        return;
    // Without a password the Simtel sites cannot be posted: they leave the run.
    if (m_edit4->text().isEmpty())
        m_request.unmarkSimtelRows();
    QDialog::done(result);
}
