#include "FuzzInput.h"

#include "../tests/support/FakePrompts.h"

#include "engines/ScriptVariables.h"
#include "engines/TEngBuild.h"
#include "records/ApplicationRecord.h"
#include "records/ChooserList.h"
#include "records/Clock.h"
#include "records/CompanyRecord.h"
#include "records/ProgramSettings.h"
#include "records/TGWide.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <memory>

namespace {

// A workspace of its own with one company and one application whose values
// hold no percent sign, so every percent sign of a result comes from the template.
class Records : public WorkspaceOwner {
public:
    Records()
    {
        Clock::set([] { return QDateTime(QDate(2026, 3, 7), QTime(9, 5, 30)); });
        const QString path = folder.path() + u'/';
        workspace = std::make_unique<TGWide>(*this, path, path + QStringLiteral("user-settings.ini"));
        workspace->StartUp();
        engine->setRecords(&company, &application);
        companies.setNames({QStringLiteral("Acme Inc")});
        companies.setCurrentIndex(0);
        applications.setNames({QStringLiteral("Tool")});
        applications.setCurrentIndex(0);
        company.setField(CompanyField::Phone, QStringLiteral("555-1234"));
        application.setField(AppField::Version, QStringLiteral("2.1"));
        application.setField(AppField::Size32, QStringLiteral("3145728"));
        application.setField(AppField::Platform, QStringLiteral("Windows 95"));
        application.setLongDescription({QStringLiteral("First line"), QStringLiteral("Second line")});
        engine->site().byteFormat = 2;
    }

    ChooserList& companyChooser() override { return companies; }
    ChooserList& applicationChooser() override { return applications; }
    void loadSelectedCompany() override {}
    void loadSelectedApplication() override {}
    std::unique_ptr<WorkspaceEngine> createEngineBuilder(TGWide& w) override
    {
        auto e = std::make_unique<TEngBuild>(w, prompts);
        engine = e.get();
        return e;
    }

    QTemporaryDir folder;
    FakePrompts prompts;
    ChooserList companies{ChooserList::Order::Sorted};
    ChooserList applications{ChooserList::Order::Added};
    ProgramSettings settings;
    CompanyRecord company{companies, prompts};
    ApplicationRecord application{applications, company, settings, prompts};
    std::unique_ptr<TGWide> workspace;
    TEngBuild* engine = nullptr;
};

Records& records()
{
    static int argc = 1;
    static char name[] = "script_fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    (void)app;
    static Records instance;
    return instance;
}

} // namespace

// The first byte picks the mode and the kind of template: raw bytes, or pieces
// of plain text and variable names. A refused template comes back unchanged;
// one made of pieces expands to the expansions of its pieces.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TEngBuild& engine = *records().engine;
    FuzzInput input(data, size);
    const uint8_t kind = input.byte();
    const ExpandMode mode = (kind & 1) ? ExpandMode::Submission : ExpandMode::Check;

    if (kind & 2) {
        const QString tmpl = QString::fromLatin1(input.rest());
        const QString result = engine.Expand(tmpl, mode);
        if (engine.ExpandError())
            FUZZ_CHECK(result == tmpl);
        else if (!tmpl.contains(u'%'))
            FUZZ_CHECK(result == tmpl);
        return 0;
    }

    QStringList pieces;
    for (int count = 0; count < 32; ++count) {
        const uint8_t b = input.byte();
        if (b == 0)
            break;
        if (b < 128) {
            const ScriptVariable& variable = scriptVariables()[size_t(b % ScriptVariableCount)];
            pieces.append(u'%' + QLatin1String(variable.name) + u'%');
        } else {
            QString text = QString::fromLatin1(input.bytes(8));
            text.remove(u'%');
            if (!text.isEmpty())
                pieces.append(text);
        }
    }
    QString expected;
    bool piecesExpand = true;
    for (const QString& piece : pieces) {
        expected += engine.Expand(piece, mode);
        piecesExpand = piecesExpand && !engine.ExpandError();
    }
    const QString tmpl = pieces.join(QString());
    const QString result = engine.Expand(tmpl, mode);
    if (engine.ExpandError())
        FUZZ_CHECK(result == tmpl && !piecesExpand);
    else
        FUZZ_CHECK(piecesExpand && result == expected);
    return 0;
}
