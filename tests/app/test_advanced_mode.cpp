#include "tests/support/test_env.h"

#include "app/advanced_mode.h"
#include "app/app_shell.h"
#include "ui/Pavimo.h"

#include <string.h>

namespace {

class AdvancedModeTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        StartUp();
        memset(gu8str_PassWord, 0, sizeof(gu8str_PassWord));
        UiClick(MainPanel(), MAIN_ADVANCED_BTN);
    }

    void Type(const char *pcKeys)
    {
        for (const char *pc = pcKeys; *pc; pc++)
            UiKeyPress(gs32_PasswordPanel, PASSWORD_STRING, (unsigned char)*pc);
    }
    void Key(int s32Key) { UiKeyPress(gs32_PasswordPanel, PASSWORD_STRING, s32Key); }

    std::string Field()
    {
        char cText[64];
        GetCtrlVal(gs32_PasswordPanel, PASSWORD_STRING, cText);
        return cText;
    }

    bool IsAdvanced()
    {
        int s32Height = 0;
        GetPanelAttribute(MainPanel(), ATTR_HEIGHT, &s32Height);
        bool bAllShown = true;
        for (int s32Ctrl : {MAIN_FUNC_RECEIVE, MAIN_FUNC_SHOW_PKG, MAIN_FUNC_SHOW_DATA}) {
            int s32Dimmed = 1, s32Visible = 0;
            GetCtrlAttribute(MainPanel(), s32Ctrl, ATTR_DIMMED, &s32Dimmed);
            GetCtrlAttribute(MainPanel(), s32Ctrl, ATTR_VISIBLE, &s32Visible);
            bAllShown = bAllShown && s32Dimmed == 0 && s32Visible == 1;
        }
        EXPECT_EQ(bAllShown, s32Height == 695);
        return s32Height == 695 && bAllShown;
    }
};

TEST_F(AdvancedModeTest, AdvancedButtonShowsThePasswordPanel)
{
    EXPECT_TRUE(bUiPanelIsVisible(gs32_PasswordPanel));
    EXPECT_FALSE(IsAdvanced());
}

TEST_F(AdvancedModeTest, AccessCodeAndEnterOpenTheAdvancedMode)
{
    Type("QuorvelAdminKey");
    EXPECT_EQ(Field(), std::string(15, '*'));
    EXPECT_STREQ(gu8str_PassWord, "QuorvelAdminKey");
    Key(VAL_ENTER_VKEY);
    EXPECT_TRUE(IsAdvanced());
    EXPECT_FALSE(bUiPanelIsVisible(gs32_PasswordPanel));
    EXPECT_EQ(Field(), "");
}

TEST_F(AdvancedModeTest, FourteenOrSixteenCharactersOnlyCloseThePanel)
{
    for (const char *pcTyped : {"QuorvelAdminKe", "QuorvelAdminKeyX", "quorveladminkey"}) {
        UiClick(MainPanel(), MAIN_ADVANCED_BTN);
        Type(pcTyped);
        Key(VAL_ENTER_VKEY);
        EXPECT_FALSE(IsAdvanced()) << pcTyped;
        EXPECT_FALSE(bUiPanelIsVisible(gs32_PasswordPanel));
        EXPECT_EQ(Field(), "");
    }
}

// The close box and Escape give the entry up, even with the whole code typed.
TEST_F(AdvancedModeTest, CloseBoxAndEscapeCancelTheEntry)
{
    Type("QuorvelAdminKey");
    UiClosePanel(gs32_PasswordPanel);
    EXPECT_FALSE(bUiPanelIsVisible(gs32_PasswordPanel));
    EXPECT_EQ(Field(), "");
    UiClick(MainPanel(), MAIN_ADVANCED_BTN);
    Type("QuorvelAdminKey");
    Key(VAL_ESC_VKEY);
    EXPECT_FALSE(bUiPanelIsVisible(gs32_PasswordPanel));
    EXPECT_EQ(Field(), "");
    EXPECT_FALSE(IsAdvanced());
    EXPECT_EQ(MsgBox(), ">");
}

TEST_F(AdvancedModeTest, WrongAttemptKeepsTheBufferUntilTheNextFirstCharacter)
{
    Type("abcdefghijklmnopq");
    Key(VAL_ENTER_VKEY);
    EXPECT_STREQ(gu8str_PassWord, "abcdefghijklmnopq");
    UiClick(MainPanel(), MAIN_ADVANCED_BTN);
    Type("Z");
    EXPECT_STREQ(gu8str_PassWord, "Z");
    EXPECT_EQ(MsgBox(), ">");
}

TEST_F(AdvancedModeTest, ThirtyThirdCharacterIsIgnored)
{
    Type("0123456789abcdefghijABCDEFGHIJxy");
    EXPECT_EQ(Field(), std::string(32, '*'));
    Type("Z");
    EXPECT_EQ(Field(), std::string(32, '*'));
    EXPECT_EQ(std::string(gu8str_PassWord, 32), "0123456789abcdefghijABCDEFGHIJxy");
}

TEST_F(AdvancedModeTest, BackspaceRemovesTheLastCharacter)
{
    Type("abcde");
    Key(VAL_BACKSPACE_VKEY);
    Key(VAL_BACKSPACE_VKEY);
    EXPECT_EQ(Field(), "***");
    EXPECT_STREQ(gu8str_PassWord, "abc");
    Key(VAL_BACKSPACE_VKEY);
    Key(VAL_BACKSPACE_VKEY);
    Key(VAL_BACKSPACE_VKEY);
    Key(VAL_BACKSPACE_VKEY); // on the empty field
    EXPECT_EQ(Field(), "");
    EXPECT_EQ(gu8str_PassWord[0], '\0');
}

TEST_F(AdvancedModeTest, BackspaceThenRetypeGivesTheAccessCode)
{
    Type("QuorvelAdminKez");
    Key(VAL_BACKSPACE_VKEY);
    Type("y");
    Key(VAL_ENTER_VKEY);
    EXPECT_TRUE(IsAdvanced());
}

TEST_F(AdvancedModeTest, PunctuationSpaceAndOtherKeysChangeNothing)
{
    Type("ab");
    Type("!@# -_.?");
    Key(VAL_FWD_DELETE_VKEY);
    Key(VAL_LEFT_ARROW_VKEY);
    EXPECT_EQ(Field(), "**");
    EXPECT_STREQ(gu8str_PassWord, "ab");
}

TEST_F(AdvancedModeTest, AdvancedModeLastsForTheRun)
{
    Type("QuorvelAdminKey");
    Key(VAL_ENTER_VKEY);
    UiClick(MainPanel(), MAIN_ADVANCED_BTN);
    Type("wrong");
    Key(VAL_ENTER_VKEY);
    EXPECT_TRUE(IsAdvanced());
}

} // namespace
