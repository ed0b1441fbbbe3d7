#pragma once
// Shows the user settings window in its advanced view, as a carer opens it, for a test's steps.

#include "tests/support/TestSupport.h"
#include "usersettings/UserSettingsFormUnit.h"

#include <QAction>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace Tonlyra::Test {

// Works the window with steps and returns whether it was accepted (steps return true to
// accept).
inline bool Open(TUserSettingsForm& form, const std::function<bool(TUserSettingsForm&)>& steps)
{
    ScriptedPrompts prompts;
    prompts.Dialog([&](QDialog&) {
        form.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
        form.AdvancedViewMenu->trigger();
        return steps(form);
    });
    return form.ShowUserSettingsWindow();
}

} // namespace Tonlyra::Test
