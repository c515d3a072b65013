#include "ui/TSiteBuilderPage.h"

#include "records/UserPrompts.h"
#include "ui/InputRules.h"
#include "ui/TContributeFrm.h"
#include "ui/TFieldTranslationsFrm.h"
#include "ui/TScriptCheckFrm.h"
#include "ui/TScriptMemo.h"
#include "ui/TVariablesFrm.h"
#include "workflow/SiteBuilder.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QTabWidget>
#include <QVBoxLayout>

#include <limits>
#include <tuple>

namespace {

QLabel* caption(const char* text, QWidget* buddy)
{
    auto* label = new QLabel(QLatin1String(text));
    label->setBuddy(buddy);
    return label;
}

} // namespace

TSiteBuilderPage::TSiteBuilderPage(SiteBuilder& builder, UserPrompts& prompts, TVariablesFrm* picker,
                                   std::function<void(const std::function<void()>&)> run, QWidget* parent)
    : QWidget(parent), m_builder(builder), m_prompts(prompts), m_picker(picker), m_run(std::move(run))
{
    setObjectName(QStringLiteral("SiteBuilderPage"));
    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("SiteBuilderPages"));
    m_pages->addTab(buildDetails(), QStringLiteral("Details"));
    m_pages->addTab(buildHttp(), QStringLiteral("HTTP Post"));
    m_pages->addTab(buildFtp(), QStringLiteral("FTP Upload"));
    m_pages->addTab(buildEmail(), QStringLiteral("E-mail"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_pages, 1);
    layout->addWidget(buildBottom());

    connect(&m_builder, &SiteBuilder::siteShown, this, &TSiteBuilderPage::showSite);
    connect(&m_builder, &SiteBuilder::catalogueChanged, this, &TSiteBuilderPage::fillSelector);
    connect(&m_builder, &SiteBuilder::scriptReplaced, this, [this](SiteScript script) {
        m_showing = true;
        m_scripts[size_t(script)]->setLines(m_builder.site().scripts[size_t(script)]);
        m_showing = false;
    });
    connect(&m_builder, &SiteBuilder::contributeShownChanged, m_contribute, &QWidget::setVisible);
    fillSelector();
    showSite();
}

// ---- building the pages

QWidget* TSiteBuilderPage::buildDetails()
{
    m_details = new QWidget;
    m_details->setObjectName(QStringLiteral("DetailsPage"));

    m_siteName = new QComboBox(m_details);
    m_siteName->setObjectName(QStringLiteral("SiteNameCombo"));
    m_siteName->setToolTip(QStringLiteral("Choose the site to show and edit; New Site adds one"));
    m_siteName->setMinimumWidth(280);
    m_siteName->setMaxVisibleItems(20);
    // A site is chosen with the mouse: a stray key would drop the edits shown.
    InputRules::dropKeyPresses(m_siteName);
    connect(m_siteName, &QComboBox::activated, this, [this](int index) {
        const QString name = m_siteName->itemText(index);
        m_run([this, name] { m_builder.selectSite(name); });
    });
    QLineEdit* web = textField("SitesWebUrlEdit", &SiteDefinition::sitesWebUrl,
                               "The site's own web page, opened from the site list's \"Go to URL\"");
    InputRules::dropTypedSpaces(web);

    auto* top = new QFormLayout;
    top->addRow(caption("Site Name:", m_siteName), m_siteName);
    top->addRow(caption("Site's Web Page:", web), web);

    QCheckBox* use1 = checkField("UseCat1Check", "Use Primary Category Selections", &SiteDefinition::useCat1,
                                 "The site asks for a primary category");
    QCheckBox* use2 = checkField("UseCat2Check", "Use Secondary Category Selections", &SiteDefinition::useCat2,
                                 "The site asks for a secondary category");
    m_cat1 = listField("Cat1Memo", &SiteDefinition::primaryCategories,
                       "One category per line: the value the site is sent, then \">, then the label you pick");
    m_cat2 = listField("Cat2Memo", &SiteDefinition::secondaryCategories,
                       "One category per line: the value the site is sent, then \">, then the label you pick");
    for (TScriptMemo* memo : {m_cat1, m_cat2})
        memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* categories = new QGridLayout;
    categories->addWidget(use1, 0, 0);
    categories->addWidget(use2, 0, 1);
    categories->addWidget(m_cat1, 1, 0);
    categories->addWidget(m_cat2, 1, 1);

    auto* accepts = new QGroupBox(QStringLiteral("Site Accepts:"), m_details);
    accepts->setObjectName(QStringLiteral("SiteTypeGroup"));
    // "&&" shows one ampersand.
    choiceField(accepts, &SiteDefinition::siteType, {"Freeware Only", "Freeware && Shareware"}, "SiteType",
                Qt::Vertical);
    accepts->setToolTip(QStringLiteral("The distribution kinds the site lists"));
    auto* systems = new QGroupBox(QStringLiteral("Site Accepts Operating Systems of:"), m_details);
    systems->setObjectName(QStringLiteral("SiteSystemGroup"));
    choiceField(systems, &SiteDefinition::siteSystem, {"32 Bit Only", "16 Bit Only", "Both"}, "SiteSystem",
                Qt::Vertical);
    systems->setToolTip(QStringLiteral("The platforms the site lists"));
    m_siteFields.insert(m_siteFields.end(), {accepts, systems});
    auto* choices = new QHBoxLayout;
    choices->addWidget(accepts);
    choices->addWidget(systems);
    choices->addStretch(1);

    auto* layout = new QVBoxLayout(m_details);
    layout->addLayout(top);
    layout->addLayout(categories, 1);
    layout->addLayout(choices);
    return m_details;
}

QWidget* TSiteBuilderPage::buildHttp()
{
    m_http = new QWidget;
    m_http->setObjectName(QStringLiteral("HttpPage"));
    QCheckBox* use = checkField("UseHttpCheck", "Site Uses HTTP", &SiteDefinition::useHttpPost,
                                "The site takes submissions by a web form");
    auto* method = new QGroupBox(QStringLiteral("Method:"), m_http);
    method->setObjectName(QStringLiteral("MethodGroup"));
    method->setToolTip(QStringLiteral("How the form data is sent"));
    choiceField(method, &SiteDefinition::httpPostType, {"Post", "Get"}, "Method", Qt::Horizontal);
    m_siteFields.push_back(method);
    m_translations = button("FieldTranslationsBtn", "Field Translations",
                            "The site's own words for platforms, submitters, status and install support");
    connect(m_translations, &QPushButton::clicked, this, [this] { m_run([this] { fieldTranslations(); }); });
    m_siteFields.push_back(m_translations);

    auto* top = new QHBoxLayout;
    top->addWidget(use);
    top->addSpacing(16);
    top->addWidget(method);
    top->addStretch(1);
    top->addWidget(m_translations, 0, Qt::AlignBottom);

    const auto column = [this](SiteScript script, QString SiteDefinition::*url, const char* urlName,
                               const char* scriptCaption, const char* memoName, const char* hint) {
        QLineEdit* edit = textField(urlName, url, "The full address the form data goes to; may hold variables");
        addTemplateField(edit);
        TScriptMemo* memo = scriptField(script, memoName, hint);
        memo->setEnterIgnored(true);
        memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        auto* test = new QHBoxLayout;
        test->addStretch(1);
        test->addWidget(m_testButtons[size_t(script)]);
        auto* col = new QVBoxLayout;
        auto* form = new QFormLayout;
        form->addRow(caption("Post URL:", edit), edit);
        col->addLayout(form);
        col->addWidget(caption(scriptCaption, memo));
        col->addWidget(memo, 1);
        col->addLayout(test);
        return col;
    };
    auto* columns = new QHBoxLayout;
    columns->addLayout(column(SiteScript::HttpNew, &SiteDefinition::httpNewScriptUrl, "HttpNewUrlEdit", "New Script:",
                              "HttpNewMemo", "The form data of a new submission, as one line: name=value&name=value"));
    columns->addLayout(column(SiteScript::HttpUpdate, &SiteDefinition::httpUpdateScriptUrl, "HttpUpdateUrlEdit",
                              "Update Script:", "HttpUpdateMemo",
                              "The form data of an update, as one line: name=value&name=value"));

    auto* layout = new QVBoxLayout(m_http);
    layout->addLayout(top);
    layout->addLayout(columns, 1);
    return m_http;
}

QWidget* TSiteBuilderPage::buildFtp()
{
    m_ftp = new QWidget;
    m_ftp->setObjectName(QStringLiteral("FtpPage"));
    QCheckBox* use = checkField("UseFtpCheck", "Site Uses FTP Uploads", &SiteDefinition::useFtpUpload,
                                "The site takes an upload of the program archive");
    QCheckBox* zip = checkField("UseZipCheck", "Site requires ZIP file", &SiteDefinition::useZipFile,
                                "The upload must be a zip archive made by Zentrel");
    QCheckBox* short83 = checkField("Use8x3Check", "Site Requires 8 + 3 Filename", &SiteDefinition::use8x3Filename,
                                    "The uploaded file is named in 8.3 form, for example 12345678.123");
    QLineEdit* server = textField("FtpServerEdit", &SiteDefinition::ftpServer, "The host name of the FTP server");
    QLineEdit* path = textField("RemotePathEdit", &SiteDefinition::remotePath,
                                "The upload directory on the server; may hold variables");
    QLineEdit* login = textField("LoginNameEdit", &SiteDefinition::loginName,
                                 "The FTP login name; may hold variables");
    QLineEdit* password = textField("LoginPasswordEdit", &SiteDefinition::loginPassword,
                                    "The FTP password; may hold variables (%CONTEMAIL% for an anonymous login)");
    for (QWidget* field : {static_cast<QWidget*>(path), static_cast<QWidget*>(login), static_cast<QWidget*>(password)})
        addTemplateField(field);
    // The entries stand in the order of their FTP_TLS codes.
    m_ftpTls = new QComboBox;
    m_ftpTls->setObjectName(QStringLiteral("FtpTlsCombo"));
    m_ftpTls->addItems(
        {QStringLiteral("None"), QStringLiteral("When the server offers it"), QStringLiteral("Required")});
    m_ftpTls->setToolTip(QStringLiteral("Encrypt the login and the files: never, when the server can, or always "
                                        "(no upload to a server that cannot)"));
    connect(m_ftpTls, &QComboBox::activated, this, [this](int index) {
        if (!m_showing)
            m_builder.setFtpTls(index);
    });
    m_siteFields.push_back(m_ftpTls);
    auto* form = new QFormLayout;
    form->addRow(caption("FTP Server:", server), server);
    form->addRow(caption("FTP encryption:", m_ftpTls), m_ftpTls);
    form->addRow(caption("Remote Path:", path), path);
    form->addRow(caption("Login name:", login), login);
    form->addRow(caption("Login Password:", password), password);

    auto* added = new QGroupBox(QStringLiteral("Added Text File:"), m_ftp);
    added->setObjectName(QStringLiteral("AddedTextGroup"));
    added->setToolTip(QStringLiteral("Where the added text file goes: beside the archive, inside the zip, or both"));
    m_addedText = new QButtonGroup(added);
    auto* addedLayout = new QVBoxLayout(added);
    const std::pair<const char*, AddedTextPlacement> placements[] = {{"Add to Upload", AddedTextPlacement::Separate},
                                                                      {"Include in Zip", AddedTextPlacement::InsideZip},
                                                                      {"Both", AddedTextPlacement::Both}};
    for (const auto& [text, placement] : placements) {
        auto* radio = new QRadioButton(QLatin1String(text), added);
        radio->setObjectName(QStringLiteral("AddedText%1Radio").arg(int(placement)));
        m_addedText->addButton(radio, int(placement));
        addedLayout->addWidget(radio);
        m_ftpFields.push_back(radio);
    }
    connect(m_addedText, &QButtonGroup::idClicked, this, [this](int id) {
        m_builder.setAddedText(AddedTextPlacement(id));
        showAddedText();
    });
    // Unchecking the zip takes the added text file out of it.
    disconnect(zip, &QCheckBox::clicked, this, nullptr);
    connect(zip, &QCheckBox::clicked, this, [this](bool on) {
        m_builder.setUseZipFile(on);
        showAddedText();
        applyEnabling();
    });

    QLineEdit* file = textField("FtpFilenameEdit", &SiteDefinition::ftpFilename,
                                "The name of the added text file; may hold variables, for example %APPNAME%.TXT");
    addTemplateField(file);
    TScriptMemo* memo = scriptField(SiteScript::FtpNew, "FtpMemo", "The text of the added text file");
    memo->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_ftpFields.insert(m_ftpFields.end(), {zip, short83, server, m_ftpTls, path, login, password, file, memo});

    auto* left = new QVBoxLayout;
    left->addWidget(use);
    left->addWidget(zip);
    left->addWidget(short83);
    left->addSpacing(6);
    left->addLayout(form);
    left->addWidget(added);
    left->addStretch(1);
    auto* fileForm = new QFormLayout;
    fileForm->addRow(caption("Filename:", file), file);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_defaultButtons[size_t(SiteScript::FtpNew)]);
    buttons->addWidget(m_testButtons[size_t(SiteScript::FtpNew)]);
    auto* right = new QVBoxLayout;
    right->addLayout(fileForm);
    right->addWidget(memo, 1);
    right->addLayout(buttons);

    auto* layout = new QHBoxLayout(m_ftp);
    layout->addLayout(left, 2);
    layout->addSpacing(8);
    layout->addLayout(right, 3);
    return m_ftp;
}

QWidget* TSiteBuilderPage::buildEmail()
{
    m_email = new QWidget;
    m_email->setObjectName(QStringLiteral("EmailPage"));
    QCheckBox* use = checkField("UseEmailCheck", "Use E-Mail Submission", &SiteDefinition::useEmail,
                                "The site takes submissions by e-mail");

    const auto column = [this](SiteScript script, const char* toCaption, QString SiteDefinition::*to,
                               const char* toName, QString SiteDefinition::*subject, const char* subjectName,
                               const char* memoName, const char* hint) {
        QLineEdit* toEdit = textField(toName, to, "The address the mail goes to");
        InputRules::dropTypedSpaces(toEdit);
        QLineEdit* subjectEdit = textField(subjectName, subject, "The mail's subject; may hold variables");
        addTemplateField(subjectEdit);
        TScriptMemo* memo = scriptField(script, memoName, hint);
        m_emailFields.insert(m_emailFields.end(), {toEdit, subjectEdit, memo});
        auto* form = new QFormLayout;
        form->setRowWrapPolicy(QFormLayout::WrapAllRows);
        form->addRow(caption(toCaption, toEdit), toEdit);
        form->addRow(caption("Subject:", subjectEdit), subjectEdit);
        auto* buttons = new QHBoxLayout;
        buttons->addStretch(1);
        buttons->addWidget(m_defaultButtons[size_t(script)]);
        buttons->addWidget(m_testButtons[size_t(script)]);
        auto* col = new QVBoxLayout;
        col->addLayout(form);
        col->addWidget(memo, 1);
        col->addLayout(buttons);
        return col;
    };

    auto* attach = new QVBoxLayout;
    const std::tuple<const char*, const char*, bool SiteDefinition::*, const char*> boxes[] = {
        {"AttachIcoCheck", "Attach .Ico", &SiteDefinition::emailAttachIco, "Attach the application's ICO icon file"},
        {"AttachGifCheck", "Attach .Gif", &SiteDefinition::emailAttachGif, "Attach the application's GIF icon file"},
        {"AttachScreenCheck", "Attach Screen Shot", &SiteDefinition::emailAttachScreen,
         "Attach the application's screen shot"},
        {"AttachOtherCheck", "Attach Other File", &SiteDefinition::emailAttachOther,
         "Attach the application's additional file"},
        {"AttachApplicationCheck", "Attach Application", &SiteDefinition::emailAttachApplication,
         "Attach the program archive"},
        {"SendCopyCheck", "Send Copy To Company Contact", &SiteDefinition::emailSendCopy,
         "Send a copy of each submission mail to the company contact"},
        {"AttachScriptCheck", "Send Script As Attachment", &SiteDefinition::emailAttachScript,
         "Send the expanded script as an attachment"},
    };
    for (const auto& [name, text, member, hint] : boxes) {
        QCheckBox* box = checkField(name, text, member, hint);
        m_emailFields.push_back(box);
        attach->addWidget(box);
    }
    attach->addStretch(1);

    auto* columns = new QHBoxLayout;
    columns->addLayout(column(SiteScript::EmailNew, "E-Mail New Submissions to:", &SiteDefinition::emailToName,
                              "EmailToEdit", &SiteDefinition::emailSubject, "EmailSubjectEdit", "EmailNewMemo",
                              "The body of the mail of a new submission"),
                       1);
    columns->addLayout(column(SiteScript::EmailUpdate, "E-Mail Updates to:", &SiteDefinition::emailToNameUpdate,
                              "EmailToUpdateEdit", &SiteDefinition::emailSubjectUpdate, "EmailSubjectUpdateEdit",
                              "EmailUpdateMemo", "The body of the mail of an update"),
                       1);
    columns->addLayout(attach);

    auto* layout = new QVBoxLayout(m_email);
    layout->addWidget(use);
    layout->addLayout(columns, 1);
    return m_email;
}

QWidget* TSiteBuilderPage::buildBottom()
{
    auto* bottom = new QWidget(this);
    m_byteFormat = new QGroupBox(QStringLiteral("Byte Format"), bottom);
    m_byteFormat->setObjectName(QStringLiteral("ByteFormatGroup"));
    m_byteFormat->setToolTip(QStringLiteral("How the application's sizes are given to this site"));
    choiceField(m_byteFormat, &SiteDefinition::byteFormat, {"Bytes", "Kbytes", "Mbytes"}, "ByteFormat",
                Qt::Horizontal);
    m_siteFields.push_back(m_byteFormat);
    // The entry offers the contribution whether or not "Contribute!" shows, so a
    // site can be sent again, or a supplied one sent at all.
    m_byteFormatMenu = new QMenu(this);
    m_byteFormatMenu->setObjectName(QStringLiteral("ByteFormatMenu"));
    m_contributeItem = m_byteFormatMenu->addAction(QStringLiteral("Contribute Site To Halvern HQ"));
    m_contributeItem->setObjectName(QStringLiteral("ContributeItem"));
    m_contributeItem->setEnabled(false);
    connect(m_contributeItem, &QAction::triggered, this, &TSiteBuilderPage::contribute);
    m_byteFormat->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_byteFormat, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { m_byteFormatMenu->popup(m_byteFormat->mapToGlobal(at)); });

    m_save = button("SaveSiteBtn", "Save Site", "Save the site shown; the site list follows it");
    m_delete = button("DeleteSiteBtn", "Delete Site", "Remove the site shown and its files");
    m_new = button("NewSiteBtn", "New Site", "Add a site of your own");
    m_contribute = button("ContributeBtn", "Contribute!", "Send the site you added to Halvern HQ");
    m_contribute->setEnabled(false);
    m_contribute->setVisible(false);
    connect(m_save, &QPushButton::clicked, this, [this] { m_run([this] { m_builder.saveSite(); }); });
    connect(m_delete, &QPushButton::clicked, this, [this] { m_run([this] { m_builder.deleteSite(); }); });
    connect(m_new, &QPushButton::clicked, this, [this] { m_run([this] { m_builder.newSite(); }); });
    connect(m_contribute, &QPushButton::clicked, this, &TSiteBuilderPage::contribute);

    auto* layout = new QHBoxLayout(bottom);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_byteFormat);
    layout->addStretch(1);
    for (QPushButton* b : {m_save, m_delete, m_new, m_contribute})
        layout->addWidget(b, 0, Qt::AlignBottom);
    return bottom;
}

// ---- fields bound to the definition

QLineEdit* TSiteBuilderPage::textField(const char* objectName, QString SiteDefinition::*member, const char* hint)
{
    auto* edit = new QLineEdit;
    edit->setObjectName(QLatin1String(objectName));
    edit->setToolTip(QLatin1String(hint));
    edit->setMaxLength(std::numeric_limits<int>::max());
    connect(edit, &QLineEdit::textChanged, this, [this, member](const QString& text) {
        if (!m_showing)
            m_builder.edit([&](SiteDefinition& d) { d.*member = text; });
    });
    m_texts.push_back({edit, member});
    m_siteFields.push_back(edit);
    return edit;
}

QCheckBox* TSiteBuilderPage::checkField(const char* objectName, const char* text, bool SiteDefinition::*member,
                                        const char* hint)
{
    auto* box = new QCheckBox(QLatin1String(text));
    box->setObjectName(QLatin1String(objectName));
    box->setToolTip(QLatin1String(hint));
    // A click is an edit; loading a site sets the box without one.
    connect(box, &QCheckBox::clicked, this, [this, member](bool on) {
        m_builder.edit([&](SiteDefinition& d) { d.*member = on; });
        applyEnabling();
    });
    m_checks.push_back({box, member});
    m_siteFields.push_back(box);
    return box;
}

QButtonGroup* TSiteBuilderPage::choiceField(QWidget* box, int SiteDefinition::*member,
                                            const std::vector<const char*>& captions, const char* objectName,
                                            Qt::Orientation orientation)
{
    auto* group = new QButtonGroup(box);
    auto* layout = new QBoxLayout(orientation == Qt::Horizontal ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom,
                                  box);
    int code = 1;
    for (const char* text : captions) {
        auto* radio = new QRadioButton(QLatin1String(text), box);
        radio->setObjectName(QLatin1String(objectName) + QString::number(code) + QStringLiteral("Radio"));
        group->addButton(radio, code++);
        layout->addWidget(radio);
    }
    connect(group, &QButtonGroup::idClicked, this,
            [this, member](int id) { m_builder.edit([&](SiteDefinition& d) { d.*member = id; }); });
    m_choices.push_back({group, member});
    return group;
}

TScriptMemo* TSiteBuilderPage::listField(const char* objectName, QStringList SiteDefinition::*member,
                                         const char* hint)
{
    auto* memo = new TScriptMemo;
    memo->setObjectName(QLatin1String(objectName));
    memo->setToolTip(QLatin1String(hint));
    bindList({memo, member, SiteScript::HttpNew});
    return memo;
}

TScriptMemo* TSiteBuilderPage::scriptField(SiteScript script, const char* objectName, const char* hint)
{
    auto* memo = new TScriptMemo;
    memo->setObjectName(QLatin1String(objectName));
    memo->setToolTip(QLatin1String(hint));
    m_scripts[size_t(script)] = memo;
    bindList({memo, nullptr, script});
    addTemplateField(memo);

    QPushButton* test = button("TestScriptBtn", "Test Script", "Show what this script sends, with its variables filled");
    test->setObjectName(QStringLiteral("TestScriptBtn%1").arg(int(script)));
    connect(test, &QPushButton::clicked, this, [this, script] { m_run([this, script] { testScript(script); }); });
    m_testButtons[size_t(script)] = test;
    m_siteFields.push_back(test);
    if (script == SiteScript::FtpNew || script == SiteScript::EmailNew || script == SiteScript::EmailUpdate) {
        QPushButton* def = button("DefaultScriptBtn", "Default Script", "Replace this script by the default one");
        def->setObjectName(QStringLiteral("DefaultScriptBtn%1").arg(int(script)));
        connect(def, &QPushButton::clicked, this,
                [this, script] { m_run([this, script] { m_builder.loadDefaultScript(script); }); });
        m_defaultButtons[size_t(script)] = def;
        m_siteFields.push_back(def);
    }
    return memo;
}

void TSiteBuilderPage::bindList(const ListBinding& binding)
{
    connect(binding.memo, &QPlainTextEdit::textChanged, this, [this, binding] {
        if (!m_showing)
            m_builder.edit([&](SiteDefinition& d) { binding.of(d) = binding.memo->lines(); });
    });
    m_lists.push_back(binding);
    m_siteFields.push_back(binding.memo);
}

QPushButton* TSiteBuilderPage::button(const char* objectName, const char* text, const char* hint)
{
    auto* b = new QPushButton(QLatin1String(text));
    b->setObjectName(QLatin1String(objectName));
    b->setToolTip(QLatin1String(hint));
    return b;
}

void TSiteBuilderPage::addTemplateField(QWidget* field)
{
    m_templateFields.push_back(field);
    if (!m_picker)
        return;
    if (auto* line = qobject_cast<QLineEdit*>(field))
        TVariablesFrm::attachTo(line, m_picker);
    else if (auto* memo = qobject_cast<QPlainTextEdit*>(field))
        TVariablesFrm::attachTo(memo, m_picker);
}

// ---- showing the definition

void TSiteBuilderPage::fillSelector()
{
    const QStringList names = m_builder.siteNames();
    QStringList shown;
    for (int i = 0; i < m_siteName->count(); ++i)
        shown << m_siteName->itemText(i);
    if (shown != names) {
        m_siteName->clear();
        m_siteName->addItems(names);
    }
    m_siteName->setCurrentIndex(m_builder.hasSite() ? int(names.indexOf(m_builder.siteName())) : -1);
}

void TSiteBuilderPage::showSite()
{
    const SiteDefinition& d = m_builder.site();
    m_showing = true;
    for (const TextBinding& t : m_texts)
        if (t.edit->text() != d.*(t.member))
            t.edit->setText(d.*(t.member));
    for (const CheckBinding& c : m_checks)
        c.box->setChecked(d.*(c.member));
    for (const ChoiceBinding& c : m_choices)
        if (QAbstractButton* b = c.group->button(d.*(c.member)))
            b->setChecked(true);
    for (const ListBinding& l : m_lists)
        if (l.memo->lines() != l.of(d))
            l.memo->setLines(l.of(d));
    m_ftpTls->setCurrentIndex(d.ftpTls >= 0 && d.ftpTls < m_ftpTls->count() ? d.ftpTls : 0);
    showAddedText();
    m_showing = false;
    fillSelector();
    m_contribute->setVisible(m_builder.contributeShown());
    applyEnabling();
}

void TSiteBuilderPage::showAddedText()
{
    const AddedTextPlacement placement = m_builder.site().addedText;
    if (QAbstractButton* b = m_addedText->button(int(placement))) {
        b->setChecked(true);
        return;
    }
    // A definition with no placement stored shows none chosen.
    m_addedText->setExclusive(false);
    for (QAbstractButton* b : m_addedText->buttons())
        b->setChecked(false);
    m_addedText->setExclusive(true);
}

void TSiteBuilderPage::applyEnabling()
{
    const SiteDefinition& d = m_builder.site();
    // Without a site there is nothing to edit; a site's fields follow its "uses" boxes.
    const bool on = m_builder.hasSite();
    for (QWidget* w : m_siteFields)
        w->setEnabled(on);
    m_cat1->setEnabled(on && d.useCat1);
    m_cat2->setEnabled(on && d.useCat2);
    for (SiteScript s : {SiteScript::HttpNew, SiteScript::HttpUpdate})
        m_scripts[size_t(s)]->setEnabled(on && d.useHttpPost);
    for (QWidget* w : m_ftpFields)
        w->setEnabled(on && d.useFtpUpload);
    for (QWidget* w : m_emailFields)
        w->setEnabled(on && d.useEmail);
}

void TSiteBuilderPage::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // A run or the site list may have changed the current site meanwhile.
    showSite();
}

// ---- commands

void TSiteBuilderPage::setContribution(SiteContribution* contribution)
{
    m_contribution = contribution;
    m_contribute->setEnabled(contribution != nullptr);
    m_contributeItem->setEnabled(contribution != nullptr);
}

void TSiteBuilderPage::contribute()
{
    // Without a site there is nothing to send.
    if (!m_contribution || !m_builder.hasSite())
        return;
    m_run([this] {
        // The maker gets the definition as it shows, not as it was last saved.
        if (m_builder.modified())
            m_builder.saveSite();
        TContributeFrm dialog(*m_contribution, this);
        dialog.exec();
    });
}

void TSiteBuilderPage::testScript(SiteScript script)
{
    TScriptCheckFrm check(m_builder.testScript(script), this);
    check.exec();
}

void TSiteBuilderPage::fieldTranslations()
{
    std::unique_ptr<TFieldTranslationsFrm> dialog;
    {
        BusyCursor busy(m_prompts);
        dialog = std::make_unique<TFieldTranslationsFrm>(m_builder.translationFields(), this);
    }
    // Closed by "Ok" or by its frame, the dialog's fields are taken.
    dialog->exec();
    m_builder.setTranslations(dialog->values());
}
