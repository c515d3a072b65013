#pragma once

#include "engines/SiteDefinition.h"

#include <QWidget>

#include <array>
#include <functional>
#include <vector>

class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QMenu;
class QPushButton;
class QTabWidget;
class SiteBuilder;
class SiteContribution;
class TScriptMemo;
class TVariablesFrm;
class UserPrompts;

// The "Site Builder" tab: the current Site definition on the pages "Details",
// "HTTP Post", "FTP Upload" and "E-mail", the "Byte Format" choice below them
// and the site buttons. Every field writes to the definition as it changes;
// the site builder decides what that means.
class TSiteBuilderPage : public QWidget {
    Q_OBJECT
public:
    // picker serves the template fields' "Variable List"; run executes a
    // command and shows any error it raises.
    TSiteBuilderPage(SiteBuilder& builder, UserPrompts& prompts, TVariablesFrm* picker,
                     std::function<void(const std::function<void()>&)> run, QWidget* parent = nullptr);

    QTabWidget* pages() const { return m_pages; }
    QWidget* detailsPage() const { return m_details; }
    QWidget* httpPage() const { return m_http; }
    QWidget* ftpPage() const { return m_ftp; }
    QWidget* emailPage() const { return m_email; }
    QComboBox* siteSelector() const { return m_siteName; }
    // The primary (1) or secondary (2) category editor.
    TScriptMemo* categoryEditor(int which) const { return which == 1 ? m_cat1 : m_cat2; }
    TScriptMemo* scriptEditor(SiteScript script) const { return m_scripts[size_t(script)]; }
    QPushButton* testButton(SiteScript script) const { return m_testButtons[size_t(script)]; }
    // Null for the HTTP scripts, which have no default.
    QPushButton* defaultButton(SiteScript script) const { return m_defaultButtons[size_t(script)]; }
    QPushButton* translationsButton() const { return m_translations; }
    // "FTP encryption:": the FTP_TLS choice, one entry per code.
    QComboBox* ftpTlsCombo() const { return m_ftpTls; }
    QGroupBox* byteFormatGroup() const { return m_byteFormat; }
    QPushButton* saveButton() const { return m_save; }
    QPushButton* deleteButton() const { return m_delete; }
    QPushButton* newButton() const { return m_new; }
    QPushButton* contributeButton() const { return m_contribute; }
    // The context menu of the "Byte Format" group.
    QMenu* byteFormatMenu() const { return m_byteFormatMenu; }
    // The fields that take Script variables from the picker.
    const std::vector<QWidget*>& templateFields() const { return m_templateFields; }

    // What "Contribute!" and the menu entry send with; both stay off without one.
    void setContribution(SiteContribution* contribution);
    // Saves a modified definition, then opens the contribution window.
    void contribute();

    // Shows the current definition in every field; nothing counts as an edit.
    void showSite();
    // Lists the catalogue in the selector, with the current site chosen.
    void fillSelector();

protected:
    void showEvent(QShowEvent* event) override;

private:
    struct ListBinding;

    QWidget* buildDetails();
    QWidget* buildHttp();
    QWidget* buildFtp();
    QWidget* buildEmail();
    QWidget* buildBottom();

    QLineEdit* textField(const char* objectName, QString SiteDefinition::*member, const char* hint);
    QCheckBox* checkField(const char* objectName, const char* caption, bool SiteDefinition::*member,
                          const char* hint);
    // Radio buttons for an integer code, one per caption, codes counted from 1.
    QButtonGroup* choiceField(QWidget* box, int SiteDefinition::*member, const std::vector<const char*>& captions,
                              const char* objectName, Qt::Orientation orientation);
    TScriptMemo* listField(const char* objectName, QStringList SiteDefinition::*member, const char* hint);
    TScriptMemo* scriptField(SiteScript script, const char* objectName, const char* hint);
    void bindList(const ListBinding& binding);
    QPushButton* button(const char* objectName, const char* caption, const char* hint);
    void addTemplateField(QWidget* field);
    void applyEnabling();
    void showAddedText();
    void testScript(SiteScript script);
    void fieldTranslations();

    SiteBuilder& m_builder;
    UserPrompts& m_prompts;
    TVariablesFrm* m_picker;
    std::function<void(const std::function<void()>&)> m_run;
    // Set while the fields are filled from the definition: that is no edit.
    bool m_showing = false;

    QTabWidget* m_pages = nullptr;
    QWidget* m_details = nullptr;
    QWidget* m_http = nullptr;
    QWidget* m_ftp = nullptr;
    QWidget* m_email = nullptr;
    QComboBox* m_siteName = nullptr;
    TScriptMemo* m_cat1 = nullptr;
    TScriptMemo* m_cat2 = nullptr;
    std::array<TScriptMemo*, SiteScriptCount> m_scripts{};
    std::array<QPushButton*, SiteScriptCount> m_testButtons{};
    std::array<QPushButton*, SiteScriptCount> m_defaultButtons{};
    QPushButton* m_translations = nullptr;
    QButtonGroup* m_addedText = nullptr;
    QComboBox* m_ftpTls = nullptr;
    QGroupBox* m_byteFormat = nullptr;
    QMenu* m_byteFormatMenu = nullptr;
    QAction* m_contributeItem = nullptr;
    SiteContribution* m_contribution = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_delete = nullptr;
    QPushButton* m_new = nullptr;
    QPushButton* m_contribute = nullptr;

    struct TextBinding {
        QLineEdit* edit;
        QString SiteDefinition::*member;
    };
    struct CheckBinding {
        QCheckBox* box;
        bool SiteDefinition::*member;
    };
    struct ChoiceBinding {
        QButtonGroup* group;
        int SiteDefinition::*member;
    };
    // A category list (member) or a script (script, when member is null).
    struct ListBinding {
        TScriptMemo* memo;
        QStringList SiteDefinition::*member;
        SiteScript script;
        QStringList& of(SiteDefinition& d) const { return member ? d.*member : d.scripts[size_t(script)]; }
        const QStringList& of(const SiteDefinition& d) const
        {
            return member ? d.*member : d.scripts[size_t(script)];
        }
    };
    std::vector<TextBinding> m_texts;
    std::vector<CheckBinding> m_checks;
    std::vector<ChoiceBinding> m_choices;
    std::vector<ListBinding> m_lists;
    std::vector<QWidget*> m_templateFields;
    // What the enabling rules switch: by the FTP box and by the e-mail box.
    std::vector<QWidget*> m_ftpFields;
    std::vector<QWidget*> m_emailFields;
    // Everything that edits a definition: off while no site is chosen.
    std::vector<QWidget*> m_siteFields;
};
