// The customized-texts file, written and read through the platform's INI functions.
#include <gtest/gtest.h>

#include "Ecore_options_samples.h"
#include "exceptions/Econsts.h"
#include "exceptions/Ecore.h"
#include "framework/exceptions.h"
#include "tests/support/scratch_dir.h"

namespace {

TEST(EcoreTextsFile, EveryTextSurvivesASaveAndLoad)
{
    zv::test::ScratchDir dir;
    const std::string file = dir.File("Deutsch.ini");
    TVantrelModuleOptions source("");
    const struct {
        TMessageType type;
        const char* text;
    } texts[] = {
        {mtInformationMsgCaption, "Hinweis"},
        {mtDialog_ErrorMsgCaption, "Zwei\r\nZeilen"},
        {mtDialog_Caption, "  Leerzeichen au\xDF" "en  "},
        {mtDialog_GeneralCaption, "\"in Anf\xFChrungszeichen\""},
        {mtLog_AppHeader, ""},
        {mtLog_AppName, "Zeile\r\n"},
        {mtLog_ExcDate, "\r\n\r\nnach zwei"},
        {mtReserved153, "= ; # [x]"},
        {mtInvalidEmailMsg, "%_MainModuleName%"},
    };
    for (const auto& t : texts) source.SetCustomizedTexts(t.type, t.text);
    source.SaveCustomizedTextsToFile(file);
    EXPECT_EQ(source.TextsCollection(), "Deutsch");

    TVantrelModuleOptions loaded("");
    for (int i = 0; i < MessageTypeCount; ++i) loaded.SetCustomizedTexts(static_cast<TMessageType>(i), "stale");
    loaded.LoadCustomizedTextsFromFile(file);
    for (int i = 0; i < MessageTypeCount; ++i) {
        const auto type = static_cast<TMessageType>(i);
        SCOPED_TRACE(std::string(MessageTypeName(type)));
        EXPECT_EQ(loaded.GetCustomizedTexts(type), source.GetCustomizedTexts(type));
    }
    EXPECT_EQ(loaded.TextsCollection(), "Deutsch");
}

TEST(EcoreTextsFile, SavingAgainDropsTheLinesOfTheLongerTextBefore)
{
    zv::test::ScratchDir dir;
    const std::string file = dir.File("texts.ini");
    TVantrelModuleOptions options("");
    options.SetCustomizedTexts(mtDialog_Caption, "1\r\n2\r\n3");
    options.SaveCustomizedTextsToFile(file);
    options.SetCustomizedTexts(mtDialog_Caption, "only");
    options.SaveCustomizedTextsToFile(file);
    const std::string content = zv::test::ReadFileBytes(file);
    EXPECT_NE(content.find("mtDialog_Caption0=\"only\""), std::string::npos) << content;
    EXPECT_EQ(content.find("mtDialog_Caption1="), std::string::npos) << content;
    EXPECT_NE(content.find("Count mtDialog_Caption=1"), std::string::npos) << content;
}

// A file as a translator writes it: quoted and unquoted lines, a missing count, a
// count of 0, a negative count, a count beyond the lines present.
TEST(EcoreTextsFile, AHandWrittenFileFollowsTheQuotingAndJoiningRules)
{
    TVantrelModuleOptions options("");
    options.SetCustomizedTexts(mtQuestionMsgCaption, "kept when the count is 0");
    options.LoadCustomizedTextsFromFile(FixturePath("Ecore_texts_fixture.ini"));

    const struct {
        TMessageType type;
        const char* text;
    } expected[] = {
        {mtInformationMsgCaption, "Informaci\xF3n."},
        {mtQuestionMsgCaption, "kept when the count is 0"},
        {mtErrorMsgCaption, "Error."},
        {mtDialog_Caption, "  Se produjo un error  "},
        {mtDialog_ErrorMsgCaption, "Primera l\xEDnea\r\nSegunda l\xEDnea"},
        {mtDialog_GeneralCaption, "sin comillas"},
        {mtDialog_GeneralHeader, "Dice \"hola\""},
        {mtDialog_CallStackCaption, "Pila\r\n\r\n"},
        {mtDialog_CallStackHeader, "solo una"},
        {mtDialog_ModulesCaption, "Modules"},
    };
    for (const auto& e : expected) {
        SCOPED_TRACE(std::string(MessageTypeName(e.type)));
        EXPECT_EQ(options.GetCustomizedTexts(e.type), e.text);
    }
    EXPECT_EQ(options.TextsCollection(), "Ecore_texts_fixture");
}

TEST(EcoreTextsFile, AMissingFileIsAnErrorAndChangesNothing)
{
    zv::test::ScratchDir dir;
    TCountingOptions options(OwnModuleName());
    EXPECT_THROW(options.LoadCustomizedTextsFromFile(dir.File("missing.ini")), EFOpenError);
    EXPECT_EQ(options.TextsCollection(), "English");
    EXPECT_EQ(options.Stores, 0);
}

TEST(EcoreTextsFile, AFileThatCannotBeWrittenIsAnError)
{
    zv::test::ScratchDir dir;
    TVantrelModuleOptions options("");
    EXPECT_THROW(options.SaveCustomizedTextsToFile(dir.File("no-such-folder\\texts.ini")), EIniFileException);
    EXPECT_EQ(options.TextsCollection(), "English");
}

TEST(EcoreTextsFile, LoadingWritesTheSharedMemoryOnce)
{
    TCountingOptions options(OwnModuleName());
    options.LoadCustomizedTextsFromFile(FixturePath("Ecore_texts_fixture.ini"));
    EXPECT_EQ(options.Stores, 1);
}

}  // namespace
