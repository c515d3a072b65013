#include "ModelFixture.h"

#include "engines/TEngBuild.h"
#include "records/Clock.h"
#include "records/FileStore.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

namespace {

const char Sep = char(0xB1);

QByteArray line(std::initializer_list<const char*> fields)
{
    QByteArray out;
    for (const char* f : fields) {
        if (!out.isEmpty())
            out += Sep;
        out += f;
    }
    return out + "\r\n";
}

} // namespace

class SiteListTest : public ModelFixture {
protected:
    ApplicationSiteList& list() { return model->siteList(); }
    ApplicationRecord& app() { return model->application(); }

    // Five catalogue sites; "NoDef" has no definition file.
    void writeCatalogue()
    {
        ws.write(s("sites/Sites.dat"), "Zeta\r\nAlpha\r\nNoDef\r\nFreebies\r\nWin32Only\r\n");
        ws.write(s("sites/Alpha.ini"), "[SETTINGS]\r\nUSE_CAT1=1\r\nUSE_HTTP_POST=1\r\nUSE_FTP_UPLOAD=1\r\nUSE_ZIP_FILE=1\r\n"
                                       "SITES_WEB_URL=http://alpha.example/\r\n");
        ws.write(s("cat/Alpha Cat1.cat"), "1\">Games\r\n2\">Utilities\r\n3\">Desktop Utilities\r\n");
        ws.write(s("sites/Zeta.ini"), "[SETTINGS]\r\nUSE_EMAIL=1\r\nUSE_CAT2=1\r\n");
        ws.write(s("sites/Freebies.ini"), "[SETTINGS]\r\nSITE_TYPE=1\r\nUSE_FTP_UPLOAD=1\r\n");
        ws.write(s("sites/Win32Only.ini"), "[SETTINGS]\r\nSITE_SYSTEM=1\r\nSITE_TYPE=2\r\n");
    }
    void writeApplication(const char* platform, const char* status)
    {
        ws.write(s("data/Applications.dat"), "Tool\r\n");
        ws.write(s("data/Tool.dat"), QByteArray("[APPINFO]\r\nPLATFORM=") + platform + "\r\nSTATUS=" + status + "\r\n");
    }
    int rowOf(const char* site)
    {
        for (int i = 0; i < list().rows().size(); ++i)
            if (list().rows().at(i).site == s(site))
                return i;
        return -1;
    }
    const SiteListRow& row(const char* site) { return list().rows().at(rowOf(site)); }
};

TEST_F(SiteListTest, LoadBuildsRowsFromDefinitionsAndRewritesTheFile)
{
    writeCatalogue();
    writeApplication("Windows 95", "Shareware");
    ws.write(s("data/Tool_SITES.dat"),
             line({"Zeta", "Update", "N/A", "Misc", "01/02/26", "N"}) + line({"Gone Site", "New", "N/A", "N/A", "Unknown", "Y"}));
    start();
    ASSERT_EQ(list().rowCount(), 4);
    EXPECT_EQ(list().rows().at(0).site, s("Alpha"));
    EXPECT_EQ(list().rows().at(3).site, s("Zeta"));
    EXPECT_EQ(rowOf("NoDef"), -1) << "a site without a definition gets no row";
    const SiteListRow& alpha = row("Alpha");
    EXPECT_EQ(alpha.type, s("All 16-32"));
    EXPECT_EQ(alpha.category1, s("NOT SET!"));
    EXPECT_EQ(alpha.category2, s("N/A"));
    EXPECT_EQ(alpha.http + alpha.ftp + alpha.zip + alpha.email, s("YYYN"));
    EXPECT_EQ(row("Freebies").type, s("Free 16-32"));
    EXPECT_EQ(row("Win32Only").type, s("All 32"));
    const SiteListRow& zeta = row("Zeta");
    EXPECT_EQ(zeta.submit, s("Update"));
    EXPECT_EQ(zeta.category1, s("N/A"));
    EXPECT_EQ(zeta.category2, s("Misc"));
    EXPECT_EQ(zeta.lastPost, s("01/02/26"));
    EXPECT_EQ(zeta.post, s("N"));
    EXPECT_EQ(row("Freebies").post, s("N")) << "freeware only, the application is shareware";

    EXPECT_EQ(ws.read(s("data/Tool_SITES.dat")),
              line({"Alpha", "New", "NOT SET!", "N/A", "Unknown", "Y"}) + line({"Freebies", "New", "N/A", "N/A", "Unknown", "N"})
                  + line({"Win32Only", "New", "N/A", "N/A", "Unknown", "Y"}) + line({"Zeta", "Update", "N/A", "Misc", "01/02/26", "N"}));
    EXPECT_FALSE(list().changed());
    EXPECT_EQ(list().currentRow(), 0);
    EXPECT_EQ(list().counts().total, 2);
}

TEST_F(SiteListTest, ALineWithOnlyTheSiteNameEmptiesItsFieldsButNotANotApplicableCategory)
{
    writeCatalogue();
    writeApplication("Windows 95", "Shareware");
    ws.write(s("data/Tool_SITES.dat"), "Alpha\r\nZeta\r\n");
    start();
    EXPECT_EQ(row("Alpha").submit, QString());
    EXPECT_EQ(row("Alpha").category1, QString());
    EXPECT_EQ(row("Alpha").category2, s("N/A"));
    EXPECT_EQ(row("Alpha").lastPost, QString());
    EXPECT_EQ(row("Alpha").post, QString());
    EXPECT_EQ(row("Zeta").category1, s("N/A"));
    EXPECT_EQ(row("Zeta").category2, QString());
}

TEST_F(SiteListTest, ThirtyTwoBitOnlySitesAreOffForWindows31UntilTheListIsLoadedAgain)
{
    writeCatalogue();
    writeApplication("Windows 3.1", "Shareware");
    ws.write(s("data/Tool_SITES.dat"), line({"Win32Only", "New", "N/A", "N/A", "Unknown", "Y"}));
    start();
    EXPECT_EQ(row("Win32Only").post, s("N"));
    app().setField(AppField::Platform, s("Windows 95"));
    EXPECT_EQ(row("Win32Only").post, s("N")) << "a platform change alone changes no P";
    list().setCurrentRow(rowOf("Win32Only"));
    EXPECT_TRUE(list().setPost(true));
    EXPECT_EQ(row("Win32Only").post, s("Y"));
    EXPECT_TRUE(list().changed());
}

TEST_F(SiteListTest, AFreewareOnlySiteRefusesYesForShareware)
{
    writeCatalogue();
    writeApplication("Windows 95", "Shareware");
    start();
    list().setCurrentRow(rowOf("Freebies"));
    EXPECT_FALSE(list().setPost(true));
    EXPECT_EQ(prompts.messages(), QStringList{s("error: Cannot change post to yes. Applications \"Platform\" or "
                                                "\"Status\" is not compatable with engines settings!")});
    EXPECT_EQ(row("Freebies").post, s("N"));
    EXPECT_FALSE(list().changed());

    app().setField(AppField::Status, s("Freeware"));
    EXPECT_TRUE(list().setPost(true));
    EXPECT_EQ(row("Freebies").post, s("Y"));
    app().setField(AppField::Status, s("Public Domain"));
    EXPECT_TRUE(list().Compatible(rowOf("Freebies")));
}

TEST(SiteCompatibility, SystemAndDistributionRules)
{
    const auto ok = [](const char* type, const char* platform, const char* status) {
        return ApplicationSiteList::Compatible(QLatin1String(type), QLatin1String(platform), QLatin1String(status));
    };
    EXPECT_TRUE(ok("All 16-32", "Windows 3.1", "Shareware"));
    EXPECT_FALSE(ok("All 32", "Windows 3.1", "Shareware"));
    EXPECT_TRUE(ok("All 32", "Windows NT", "Shareware"));
    EXPECT_TRUE(ok("All 16", "Windows 3.1", "Beta"));
    EXPECT_FALSE(ok("All 16", "Windows 95", "Beta"));
    EXPECT_FALSE(ok("All 16", "", "Beta"));
    EXPECT_FALSE(ok("Free 16-32", "Windows 95", "Shareware"));
    EXPECT_TRUE(ok("Free 16-32", "Windows 95", "Freeware"));
    EXPECT_TRUE(ok("Free 32", "Windows 95", "Public Domain"));
}

TEST_F(SiteListTest, VerifiedCountStopsAtAMissingCategoryAndCountsOtherwise)
{
    writeCatalogue();
    writeApplication("Windows 95", "Shareware");
    ws.write(s("data/Tool_SITES.dat"), line({"Alpha", "New", "Games", "N/A", "Unknown", "Y"})
                                           + line({"Zeta", "Update", "N/A", "NOT SET!", "Unknown", "Y"}));
    start();
    list().setCurrentRow(0);
    bool asked = false;
    list().setVerifier([&](const SiteCounts&) { return asked = true; });
    EXPECT_FALSE(list().CheckSitesToPost(true));
    EXPECT_FALSE(asked);
    EXPECT_EQ(prompts.messages(), QStringList{s("error: You have a site set to post against that needs a category set. "
                                                "Please set before posting!")});
    EXPECT_EQ(list().currentRow(), rowOf("Zeta")) << "the row that needs a category is selected";

    list().setCategory(2, s("Misc"));
    list().setCurrentRow(rowOf("Alpha"));
    list().setCategory(1, s("NOT SET!"));
    list().setCurrentRow(rowOf("Zeta"));
    prompts.shown.clear();
    EXPECT_FALSE(list().CheckSitesToPost(true));
    EXPECT_EQ(list().currentRow(), rowOf("Alpha")) << "the primary category counts as well";
    list().setCategory(1, s("Games"));
    SiteCounts seen;
    list().setVerifier([&](const SiteCounts& c) { seen = c; return false; });
    EXPECT_FALSE(list().CheckSitesToPost(true)) << "only Start Submission confirms";
    EXPECT_EQ(seen.total, 3);
    EXPECT_EQ(seen.fresh, 2);
    EXPECT_EQ(seen.update, 1);
    EXPECT_EQ(seen.http, 1);
    EXPECT_EQ(seen.ftp, 1);
    EXPECT_EQ(seen.zip, 1);
    EXPECT_EQ(seen.email, 1);
    list().setVerifier([](const SiteCounts&) { return true; });
    EXPECT_TRUE(list().CheckSitesToPost(true));
}

TEST_F(SiteListTest, AnEmptyListDoesNothingAndHasNothingToPost)
{
    writeApplication("Windows 95", "Shareware");
    ws.write(s("data/Tool_SITES.dat"), "keep\r\n");
    start();
    EXPECT_TRUE(list().isEmpty());
    EXPECT_EQ(ws.read(s("data/Tool_SITES.dat")), QByteArray("keep\r\n")) << "an empty list writes nothing";
    prompts.confirmAnswers = {true, true};
    list().allPost();
    list().toggleLastPost();
    list().moveDown();
    EXPECT_FALSE(list().setPost(true));
    EXPECT_TRUE(prompts.messages().isEmpty());
    EXPECT_FALSE(list().CheckSitesToPost(true));
    EXPECT_EQ(prompts.messages(), QStringList{s("error: You do not have any sites set to post!")});
}

TEST_F(SiteListTest, AllButtonsAskFirstAndPassIncompatibleSitesOver)
{
    writeCatalogue();
    writeApplication("Windows 95", "Shareware");
    start();
    prompts.confirmAnswers = {false};
    list().allNoPost();
    EXPECT_EQ(prompts.messages(), QStringList{s("confirm: Sure you want to change all to \"No Post\"?")});
    EXPECT_EQ(row("Alpha").post, s("Y"));
    EXPECT_FALSE(list().changed());

    prompts.confirmAnswers = {true, true, true};
    list().allNoPost();
    EXPECT_EQ(list().counts().total, 0);
    list().allPost();
    EXPECT_EQ(row("Freebies").post, s("N"));
    EXPECT_EQ(row("Alpha").post, s("Y"));
    EXPECT_EQ(list().counts().total, 3);
    list().allUpdate();
    for (const SiteListRow& r : list().rows())
        EXPECT_EQ(r.submit, s("Update"));
    EXPECT_TRUE(list().changed());
    EXPECT_EQ(prompts.messages().mid(1), (QStringList{s("confirm: Sure you want to change all to \"No Post\"?"),
                                                      s("confirm: Sure you want to change all to \"Post\"?"),
                                                      s("confirm: Sure you want to change all to \"Update\"?")}));
}

TEST_F(SiteListTest, RowTogglesArrowsAndLastPost)
{
    writeCatalogue();
    writeApplication("Windows 95", "Shareware");
    start();
    Clock::set([] { return QDateTime(QDate(2026, 12, 8), QTime(10, 0)); });
    list().setCurrentRow(0);
    list().toggleLastPost();
    EXPECT_EQ(row("Alpha").lastPost, QLocale::system().toString(QDate(2026, 12, 8), QLocale::ShortFormat));
    list().toggleLastPost();
    EXPECT_EQ(row("Alpha").lastPost, s("Unknown"));
    Clock::set({});
    list().toggleSubmit();
    EXPECT_EQ(row("Alpha").submit, s("Update"));
    list().setSubmitNew(true);
    EXPECT_EQ(row("Alpha").submit, s("New"));
    list().togglePost();
    EXPECT_EQ(row("Alpha").post, s("N"));
    EXPECT_EQ(list().counts().total, 2);

    list().moveUp();
    EXPECT_EQ(list().currentRow(), 3) << "up from the first row wraps to the last";
    list().moveDown();
    EXPECT_EQ(list().currentRow(), 0);
    EXPECT_TRUE(list().changed());
    list().Save(s("Tool"));
    EXPECT_TRUE(list().changed()) << "saving the list does not clear its mark";
}

TEST_F(SiteListTest, AnUnreadableCategoryListShowsAsMissing)
{
    writeCatalogue();
    writeApplication("Windows 95", "Shareware");
    start();
    EXPECT_EQ(list().categoryLabels(rowOf("Alpha"), 1), (QStringList{s("Games"), s("Utilities"), s("Desktop Utilities")}));
    QFile::remove(ws.file(s("cat/Alpha Cat1.cat")));
    ws.makeDir(s("cat/Alpha Cat1.cat"));
    EXPECT_TRUE(list().categoryLabels(rowOf("Alpha"), 1).isEmpty());
}

TEST_F(SiteListTest, GoToUrlOpensTheSitesPage)
{
    writeCatalogue();
    writeApplication("Windows 95", "Shareware");
    start();
    list().setCurrentRow(rowOf("Alpha"));
    list().goToUrl();
    list().setCurrentRow(rowOf("Zeta"));
    list().goToUrl();
    EXPECT_EQ(prompts.messages(),
              (QStringList{s("openUrl: http://alpha.example/"), s("error: No URL defined for this site!")}));
}

TEST_F(SiteListTest, TheListFollowsTheApplication)
{
    writeCatalogue();
    ws.write(s("data/Applications.dat"), "Tool\r\nOther\r\n");
    ws.write(s("data/Tool.dat"), "[APPINFO]\r\nPLATFORM=Windows 95\r\nSTATUS=Shareware\r\n");
    ws.write(s("data/Other.dat"), "[APPINFO]\r\nPLATFORM=Windows 95\r\nSTATUS=Shareware\r\n");
    start();
    list().setCurrentRow(rowOf("Alpha"));
    list().setPost(false);
    EXPECT_TRUE(list().changed());

    // Choosing another application drops the unsaved change.
    model->selectApplication(s("Other"));
    EXPECT_FALSE(list().changed());
    model->selectApplication(s("Tool"));
    EXPECT_EQ(row("Alpha").post, s("Y"));

    // A new application keeps the rows shown until its list is next saved or loaded.
    list().setCurrentRow(rowOf("Alpha"));
    list().setPost(false);
    prompts.names = {s("Fresh")};
    model->newApplication();
    EXPECT_EQ(row("Alpha").post, s("N"));
    EXPECT_FALSE(ws.exists(s("data/Fresh_SITES.dat")));
    prompts.saveAnswers = {UserPrompts::Answer::Yes};
    EXPECT_TRUE(model->closeQuery());
    EXPECT_TRUE(prompts.messages().contains(s("askSave: Would you like to save Site Engine Info?")));
    EXPECT_TRUE(ws.read(s("data/Fresh_SITES.dat")).contains(line({"Alpha", "New", "NOT SET!", "N/A", "Unknown", "N"})));
}

TEST_F(SiteListTest, SaveApplicationLoadsAnEmptyList)
{
    writeApplication("Windows 95", "Shareware");
    start();
    EXPECT_TRUE(list().isEmpty());
    writeCatalogue();
    model->engine()->LoadCatalogue();
    model->saveApplication();
    EXPECT_EQ(list().rowCount(), 4);
    EXPECT_TRUE(ws.exists(s("data/Tool_SITES.dat")));
}

TEST_F(SiteListTest, SubmissionExpansionReadsTheChosenCategoriesOfThePostedRow)
{
    writeCatalogue();
    writeApplication("Windows 95", "Shareware");
    ws.write(s("data/Tool_SITES.dat"), line({"Alpha", "New", "Desktop", "N/A", "Unknown", "Y"}));
    start();
    TEngBuild& engine = *model->engine();
    engine.LoadSite(s("Alpha"));
    list().setPostingRow(rowOf("Alpha"));
    EXPECT_EQ(engine.Expand(s("cat=%SITECAT1%"), ExpandMode::Submission), s("cat=3"));
    EXPECT_EQ(engine.Expand(s("cat=%SITECAT1%"), ExpandMode::Check), s("cat=1"));
}

TEST_F(SiteListTest, NoValueHoldingTheSeparatorByteReachesTheListFile)
{
    writeCatalogue();
    // A data update may bring such lines and names: "Util±ities" would shift the row.
    ws.write(s("cat/Alpha Cat1.cat"), QByteArray("1\">Games\r\n2\">Util") + Sep + "ities\r\n3" + Sep + "\">Desktop\r\n");
    ws.write(s("sites/Sites.dat"), QByteArray("Zeta\r\nAlpha\r\nPlus") + Sep + "Minus\r\n");
    ws.write(QString::fromLatin1("sites/Plus\xb1Minus.ini"), "[SETTINGS]\r\nUSE_HTTP_POST=1\r\n");
    writeApplication("Windows 95", "Shareware");
    start();

    EXPECT_EQ(rowOf("Plus\xb1Minus"), -1) << "a site name holding the byte is passed over";
    EXPECT_FALSE(model->engine()->catalogue().contains(QString::fromLatin1("Plus\xb1Minus")));
    EXPECT_FALSE(model->engine()->AddSite(QString::fromLatin1("Typed\xb1Site")));
    EXPECT_EQ(prompts.messages().filter(s("Typed")).size(), 1) << "a typed one is refused with a message";

    list().setCurrentRow(rowOf("Alpha"));
    EXPECT_EQ(list().categoryLabels(rowOf("Alpha"), 1), QStringList{s("Games")});
    list().categoryLabels(rowOf("Alpha"), 1);
    EXPECT_EQ(prompts.messages().filter(s("Alpha Cat1.cat")).size(), 1) << "reported once, where the list is read";
    list().setCategory(1, QString::fromLatin1("Util\xb1ities"));
    EXPECT_EQ(row("Alpha").category1, s("NOT SET!")) << "such a label is never taken";
    list().setCategory(1, s("Games"));
    list().Save(s("Tool"));

    model->selectApplication(s("Tool"));
    EXPECT_EQ(row("Alpha").category1, s("Games"));
    EXPECT_EQ(row("Alpha").post, s("Y"));
    for (const QByteArray& fileLine : ws.read(s("data/Tool_SITES.dat")).split('\n')) {
        if (!fileLine.isEmpty()) {
            EXPECT_EQ(fileLine.count(Sep), 5) << fileLine.toStdString();
        }
    }
}

TEST_F(SiteListTest, TheGridKeepsTheCataloguesOrderWhateverTheLocale)
{
    ws.write(s("sites/Sites.dat"), "beta\r\nDup\r\nalpha\r\nAlpha\r\nCharlie\r\n");
    for (const char* site : {"beta", "Dup", "alpha", "Alpha", "Charlie"})
        ws.write(s("sites/") + s(site) + s(".ini"), "[SETTINGS]\r\n");
    writeApplication("Windows 95", "Shareware");
    start();
    QStringList grid;
    for (const SiteListRow& r : list().rows())
        grid << r.site;
    const QStringList catalogue = model->engine()->catalogue().combined();
    ASSERT_EQ(grid.size(), 5);
    // Ignoring case the orders agree; only names equal but for case may trade places.
    for (int i = 0; i < grid.size(); ++i)
        EXPECT_EQ(grid.at(i).toLower(), catalogue.at(i).toLower()) << grid.join(u',').toStdString();
    EXPECT_EQ(grid.at(2), s("beta"));
    EXPECT_EQ(grid.at(3), s("Charlie"));
    EXPECT_EQ(grid.at(4), s("Dup"));
}

TEST_F(SiteListTest, ShowingARowAgainReadsItsCategoryListNoMore)
{
    writeCatalogue();
    writeApplication("Windows 95", "Shareware");
    start();
    const QString file = ws.file(s("cat/Alpha Cat1.cat"));
    const QStringList first = list().categoryLabels(rowOf("Alpha"), 1);
    ASSERT_EQ(first.size(), 3);
    // The same size and time, other bytes: only a second read would see them.
    const QDateTime stamp = QFileInfo(file).lastModified();
    QByteArray other = ws.read(s("cat/Alpha Cat1.cat"));
    other.replace("Games", "Gamez");
    ws.write(s("cat/Alpha Cat1.cat"), other);
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(stamp, QFileDevice::FileModificationTime));
    }
    EXPECT_EQ(list().categoryLabels(rowOf("Alpha"), 1), first);
    // A list that changed on disk is read again.
    ws.write(s("cat/Alpha Cat1.cat"), "9\">Only\r\n");
    EXPECT_EQ(list().categoryLabels(rowOf("Alpha"), 1), QStringList{s("Only")});
}

TEST_F(SiteListTest, AHugeCategoryListIsNotLoadedAndSaidSoOnce)
{
    writeCatalogue();
    writeApplication("Windows 95", "Shareware");
    QByteArray huge;
    for (int i = 0; huge.size() <= FileLimits::CategoryList; ++i)
        huge += QByteArray::number(i) + "\">Category number " + QByteArray::number(i) + "\r\n";
    ws.write(s("cat/Alpha Cat1.cat"), huge);
    start();
    EXPECT_TRUE(list().categoryLabels(rowOf("Alpha"), 1).isEmpty());
    EXPECT_TRUE(list().categoryLabels(rowOf("Alpha"), 1).isEmpty());
    const QStringList said = prompts.messages().filter(s("Alpha Cat1.cat"));
    ASSERT_EQ(said.size(), 1);
    EXPECT_TRUE(said.first().contains(s("larger than 1 MB"))) << said.first().toStdString();
    // The rest goes on: the row is there and the count holds it.
    EXPECT_EQ(row("Alpha").category1, s("NOT SET!"));
    EXPECT_EQ(ws.read(s("cat/Alpha Cat1.cat")), huge) << "the list is left as it is";
}
