#include "TestWindow.h"
#include "ui/TBHSFrm.h"
#include "ui/TBHSNewAccountFrm.h"
#include "ui/TCompanyPage.h"
#include "workflow/MainModel.h"

#include "../net/TestServers.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

QString s(const char* text) { return QString::fromLatin1(text); }

// A company without a BHS number whose account pages are served from this machine.
void writeWorkspace(TestWorkspace& ws, const HttpTestServer& server)
{
    ws.write(s("companies/companies.dat"), "Acme\r\n");
    ws.write(s("companies/Acme.dat"), "[COMPANY]\r\nCONAME=Acme\r\nCADDR=1 Main St\r\nCCITY=Springfield\r\n"
                                      "CSTATE=IL\r\nCZIP=62701\r\nCCOUNTRY=US\r\nCPHONE=555-0100\r\n"
                                      "CCMAIL=sales@acme.test\r\nCURL=http://acme.test/\r\n");
    ws.write(s("data/Applications.dat"), "Tool\r\n");
    ws.write(s("data/Tool.dat"), "[COMPANY]\r\nCONAME=Acme\r\n[APPINFO]\r\nNAME=Tool\r\n");
    ws.write(s("settings.dat"), "[SETTINGS]\r\nLastAppLoaded=Tool\r\nBHSURL=" + server.url(s("/bhs/")).toLatin1()
                                    + "\r\n");
}

QPushButton* bhsButton(TestWindow& w) { return w.frame.companyPage()->findChild<QPushButton*>(s("BHSBtn")); }

} // namespace

TEST(BhsWindow, BrowseFillsTheListAndUseSelectedStoresTheId)
{
    TestWorkspace ws;
    TestWorkspace site;
    site.write(s("bhs/additem1.asp"), "<select>\r\n<option value=\"0\">Choose\r\n<option value=\"1207\">ACME\r\n"
                                      "<option value=\"3310\">Smith & Sons\r\n</select>\r\n");
    HttpTestServer server(site.path());
    ASSERT_TRUE(server.started());
    writeWorkspace(ws, server);
    TestWindow w(ws);
    ASSERT_EQ(w.frame.model().company().name(), s("Acme"));
    ASSERT_FALSE(w.frame.model().company().changed());

    const bool shown = withModal([&] { bhsButton(w)->click(); }, [&](QWidget* modal) {
        auto* frm = qobject_cast<TBHSFrm*>(modal);
        ASSERT_NE(frm, nullptr);
        EXPECT_EQ(frm->windowTitle(), s("Beverly Hills Software ID"));
        EXPECT_FALSE(frm->useSelectedButton()->isEnabled());
        EXPECT_TRUE(frm->waitPanel()->isHidden());

        w.prompts.confirmAnswers = {true};
        frm->browseButton()->click();
        QTreeWidget* list = frm->accountList();
        ASSERT_EQ(list->topLevelItemCount(), 2);
        EXPECT_EQ(list->topLevelItem(1)->text(0), s("Smith & Sons"));
        EXPECT_EQ(list->topLevelItem(1)->text(1), s("3310"));
        EXPECT_EQ(list->currentItem(), list->topLevelItem(0)) << "the first account is selected";
        EXPECT_TRUE(frm->useSelectedButton()->isEnabled());
        EXPECT_TRUE(frm->browseButton()->isEnabled());
        EXPECT_TRUE(frm->waitPanel()->isHidden());
        EXPECT_EQ(frm->statusLabel()->text(), s("(Parsing Data From BHS)"));

        frm->useSelectedButton()->click();
        EXPECT_FALSE(frm->isVisible()) << "a stored ID closes the window";
    });
    EXPECT_TRUE(shown);
    EXPECT_EQ(w.prompts.messages(), (QStringList{s("confirm: Are you currently connected to the Internet?"),
                                                 s("info: Your BHS ID# is: 1207")}));
    EXPECT_EQ(w.frame.model().company().bhsId(), s("1207"));
    EXPECT_TRUE(w.frame.model().company().changed());

    // With a number held the button only shows it.
    w.prompts.shown.clear();
    bhsButton(w)->click();
    EXPECT_EQ(w.prompts.messages(), QStringList{s("info: Your BHS ID# is: 1207")});
}

TEST(BhsWindow, ANewAccountIsRequestedWithTheCompanyFields)
{
    TestWorkspace ws;
    TestWorkspace site;
    site.write(s("bhs/additem2.asp"), "<input value=\"5120\">\r\n");
    HttpTestServer server(site.path());
    ASSERT_TRUE(server.started());
    writeWorkspace(ws, server);
    TestWindow w(ws);

    bool requestShown = false;
    const bool shown = withModal([&] { bhsButton(w)->click(); }, [&](QWidget* modal) {
        auto* frm = qobject_cast<TBHSFrm*>(modal);
        ASSERT_NE(frm, nullptr);
        requestShown = withModal([&] { frm->getNewAccountButton()->click(); }, [&](QWidget* inner) {
            auto* request = qobject_cast<TBHSNewAccountFrm*>(inner);
            ASSERT_NE(request, nullptr);
            EXPECT_EQ(request->windowTitle(), s("Get New BHS Account:"));
            EXPECT_EQ(request->edit(TBHSNewAccountFrm::CompanyName)->text(), s("Acme"));
            EXPECT_EQ(request->edit(TBHSNewAccountFrm::StateCountry)->text(), s("IL/US"));
            EXPECT_EQ(request->edit(TBHSNewAccountFrm::Email)->text(), s("sales@acme.test"));
            EXPECT_EQ(request->edit(TBHSNewAccountFrm::FTP)->text(), QString());
            EXPECT_EQ(request->edit(TBHSNewAccountFrm::Web)->text(), s("http://acme.test/"));
            request->edit(TBHSNewAccountFrm::Address2)->setText(s("Suite 5"));
            w.prompts.confirmAnswers = {true};
            request->requestButton()->click();
            EXPECT_FALSE(request->isVisible());
            EXPECT_EQ(request->newId(), s("5120"));
        });
        EXPECT_FALSE(frm->isVisible());
    });
    EXPECT_TRUE(shown);
    EXPECT_TRUE(requestShown);
    EXPECT_TRUE(server.recorded().endsWith("\r\n\r\nname=Acme&Address1=1 Main St&Address2=Suite 5&City=Springfield"
                                           "&State=IL/US&Zipcode=62701&phone=555-0100&email=sales@acme.test"
                                           "&FTPSite=none&WebSite=http://acme.test/&add= Submit"));
    EXPECT_EQ(w.frame.model().company().bhsId(), s("5120"));
    EXPECT_TRUE(w.frame.model().company().changed());
}
