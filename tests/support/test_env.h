// Shared test helpers: a program folder of the test's own, the panels of the
// real Pavimo.uir under Qt's offscreen platform, a virtual clock, timer ticks
// fired by hand and scripted dialogs.
#ifndef TEST_ENV_H
#define TEST_ENV_H

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

#include "platform/userint/userint.h"
#include "platform/userint/userint_test.h"

// Answers file dialogs in order and records what each asked.
struct ScriptedDialogs {
    struct Answer {
        int s32Result;
        std::string path;
    };
    std::deque<Answer> answers;
    std::vector<stUiFileRequest> requests;
    std::vector<std::string> requestDirs;
    std::vector<std::string> requestTitles;
    std::vector<std::string> requestSpecs;
    std::vector<std::string> requestTypeLists;
    std::vector<std::string> requestButtons;
    void (*pfnDuring)(void *) = nullptr; // runs while the dialog is open
    void *pvDuringContext = nullptr;
    // Yes/No questions: answered in order (No once none is left), and what
    // each asked; the last report shown in a text window.
    std::deque<int> confirmAnswers;
    std::vector<std::string> confirmTitles;
    std::vector<std::string> confirmMessages;
    std::string textWindowTitle;
    std::string textWindowText;

    void vInstall();
    // Request i as one line, to compare with strFileRequest.
    std::string strRequest(size_t i) const;
    void vPush(int s32Result, const std::string &path) { answers.push_back({s32Result, path}); }
    void vPushConfirm(int s32Answer) { confirmAnswers.push_back(s32Answer); }
};

// A file dialog request as ScriptedDialogs::strRequest gives it.
std::string strFileRequest(const std::string &dir, const std::string &pattern,
                           const std::string &typeList, const std::string &title,
                           const std::string &button, int s32RestrictDirectory,
                           int s32RestrictExtension, int s32AllowCancel, int s32AllowMakeDirectory);

// Base fixture: program folder with Pavimo.uir, clean program state,
// virtual clock, manual timers. Panels are loaded by LoadPanels() or
// StartUp() (the start-up of main up to the event loop).
class AppTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    void LoadPanels();
    void StartUp();
    void Ticks(int s32Count);
    // Whole message box, lines joined with "\n".
    std::string MsgBox();
    int MainPanel();

    TempDir m_dir;
    ScriptedDialogs m_dialogs;
};

// Resets the program's global state between tests.
void vResetProgramState();

#endif
