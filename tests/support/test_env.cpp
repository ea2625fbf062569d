#include "tests/support/test_env.h"

#include "app/app_shell.h"
#include "app/callbacks.h"
#include "app/cmd_queue.h"
#include "device/ddc_remedy.h"
#include "device/ddc_start.h"
#include "device/edid_bus.h"
#include "device/edid_files.h"
#include "device/edid_receive.h"
#include "files/package.h"
#include "files/settings.h"
#include "platform/clock/PlatformClock.h"
#include "platform/ddc/DDCHelper.h"
#include "platform/ddc/ddc_bench_test.h"
#include "ui/Pavimo.h"

#include <dirent.h>
#include <fstream>
#include <sstream>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const uint32_t TIMER_INTERVAL_MS = 100; // the main panel's timer

class UiEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static char cName[] = "tavolin_tests";
        static char *pcArgv[] = {cName, nullptr};
        ASSERT_EQ(InitCVIRTE(nullptr, pcArgv, nullptr), 1);
        vClockUseVirtual(1);
        vUiUseManualTimers(1);
    }
};

const ::testing::Environment *gp_Environment =
    ::testing::AddGlobalTestEnvironment(new UiEnvironment);

int s32ScriptedAnswer(const stUiFileRequest *pstRequest, char *pcPath, size_t size, void *pvContext)
{
    auto *pDialogs = static_cast<ScriptedDialogs *>(pvContext);
    pDialogs->requests.push_back(*pstRequest);
    pDialogs->requestDirs.push_back(pstRequest->pcDefaultDirectory);
    pDialogs->requestTitles.push_back(pstRequest->pcTitle);
    pDialogs->requestSpecs.push_back(pstRequest->pcDefaultFileSpec);
    pDialogs->requestTypeLists.push_back(pstRequest->pcFileTypeList);
    pDialogs->requestButtons.push_back(pstRequest->pcButtonLabel);
    if (pDialogs->pfnDuring)
        pDialogs->pfnDuring(pDialogs->pvDuringContext);
    if (pDialogs->answers.empty())
        return VAL_NO_FILE_SELECTED;
    ScriptedDialogs::Answer answer = pDialogs->answers.front();
    pDialogs->answers.pop_front();
    snprintf(pcPath, size, "%s", answer.path.c_str());
    return answer.s32Result;
}

int s32ScriptedConfirm(const char *pcTitle, const char *pcMessage, void *pvContext)
{
    auto *pDialogs = static_cast<ScriptedDialogs *>(pvContext);
    pDialogs->confirmTitles.push_back(pcTitle);
    pDialogs->confirmMessages.push_back(pcMessage);
    if (pDialogs->confirmAnswers.empty())
        return 0;
    int s32Answer = pDialogs->confirmAnswers.front();
    pDialogs->confirmAnswers.pop_front();
    return s32Answer;
}

void vScriptedTextWindow(const char *pcTitle, const char *pcText, void *pvContext)
{
    auto *pDialogs = static_cast<ScriptedDialogs *>(pvContext);
    pDialogs->textWindowTitle = pcTitle;
    pDialogs->textWindowText = pcText;
}

} // namespace

std::string strFileRequest(const std::string &dir, const std::string &pattern,
                           const std::string &typeList, const std::string &title,
                           const std::string &button, int s32RestrictDirectory,
                           int s32RestrictExtension, int s32AllowCancel, int s32AllowMakeDirectory)
{
    return "dir '" + dir + "', pattern '" + pattern + "', types '" + typeList + "', title '" + title +
           "', button '" + button + "', restrict dir " + std::to_string(s32RestrictDirectory) +
           ", restrict ext " + std::to_string(s32RestrictExtension) + ", cancel " +
           std::to_string(s32AllowCancel) + ", make dir " + std::to_string(s32AllowMakeDirectory);
}

std::string ScriptedDialogs::strRequest(size_t i) const
{
    if (i >= requests.size())
        return "no request " + std::to_string(i);
    const stUiFileRequest &req = requests[i];
    return strFileRequest(requestDirs[i], requestSpecs[i], requestTypeLists[i], requestTitles[i],
                          requestButtons[i], req.s32RestrictDirectory, req.s32RestrictExtension,
                          req.s32AllowCancel, req.s32AllowMakeDirectory);
}

void ScriptedDialogs::vInstall()
{
    vUiSetFileResponder(s32ScriptedAnswer, this);
    vUiSetConfirmResponder(s32ScriptedConfirm, this);
    vUiSetTextWindowResponder(vScriptedTextWindow, this);
}

void vResetProgramState()
{
    vResetCommandQueue();
    gs32_QuitState = QUIT_NONE;
    SetWaitCursor(0);
    gu8str_LastDir[0] = '\0';
    vClearPkgBuffer();
    gu8_PkgExist = 0;
    gu8_PkgValid = 0;
    gu8str_PkgFilePath[0] = '\0';
    memset(gst_ReceivedEdid, 0, sizeof(gst_ReceivedEdid));
    gu8_EdidPageNum = 1;
    gu8str_EdidFilePath[0] = '\0';
    memset(gSettingValue, 0, sizeof(gSettingValue));
    gu32_RemediesSaid = 0;
    gu32_DdcSource = DDC_SOURCE_MACHINE;
    gu32_SimulatedOutputs = 0;
    gs32_FastWrites = 0;
    vHoldStartTarget(0);
}

void AppTest::SetUp()
{
    // A fresh bus library, which never keeps state beside the test program.
    vDdcBenchReset();
    vResetProgramState();
    vClockUseVirtual(1);
    vClockSetPauseHook(nullptr, nullptr);
    vUiUseManualTimers(1);
    vUiSetProjectDir(m_dir.path().c_str());
    vWriteFile(m_dir.file("Pavimo.uir"), strReadFile(TAVOLIN_SOURCE_DIR "/ui/Pavimo.uir"));
    vInstallCallbackTable();
    m_dialogs.vInstall();
    vUiSetMessageResponder([](const char *, const char *, void *) {}, nullptr);
}

void AppTest::TearDown()
{
    if (gst_UiHandles.s32MainPanel != 0)
        vDiscardPanels();
    vUiSetFileResponder(nullptr, nullptr);
    vUiSetMessageResponder(nullptr, nullptr);
    vUiSetConfirmResponder(nullptr, nullptr);
    vUiSetTextWindowResponder(nullptr, nullptr);
    vClockSetPauseHook(nullptr, nullptr);
    vUiSetProjectDir(nullptr);
    vResetProgramState();
}

void AppTest::LoadPanels() { ASSERT_EQ(s32LoadPanels(), 0); }

// As main does it: everything up to the event loop, the main panel shown.
void AppTest::StartUp()
{
    LoadPanels();
    vStartUp();
    DisplayPanel(MainPanel());
}

// Each tick comes a timer interval after the one before, as in a real run:
// a display's memory is then done with its last write cycle when the next
// command reads it.
void AppTest::Ticks(int s32Count)
{
    for (int i = 0; i < s32Count; i++) {
        vClockAdvance(TIMER_INTERVAL_MS);
        vUiFireTimers();
    }
}

std::string AppTest::MsgBox()
{
    int s32Count = 0;
    GetNumTextBoxLines(MainPanel(), MAIN_MSG_BOX, &s32Count);
    std::string text;
    static char cLine[16384];
    for (int i = 0; i < s32Count; i++) {
        GetTextBoxLine(MainPanel(), MAIN_MSG_BOX, i, cLine, sizeof(cLine));
        if (i)
            text += "\n";
        text += cLine;
    }
    return text;
}

int AppTest::MainPanel() { return gst_UiHandles.s32MainPanel; }
