#pragma once
// A main window on a temporary program folder, started and restarted as a user would.

#include "TestSupport.h"
#include "app/Main.h"

#include <QCoreApplication>
#include <gtest/gtest.h>
#include <memory>
#include <string>

struct FrameFixture : ::testing::Test {
    ProgramFolder dir;
    ErrorRecorder errors;
    std::unique_ptr<TMainForm> form;

    // Starts the frame, with config.ini holding `config` when it is given.
    void start(const std::string& config = {}) {
        if (!config.empty()) dir.write("config.ini", config);
        form = std::make_unique<TMainForm>(dir.path());
        form->resize(800, 600);
        QCoreApplication::processEvents();
    }
    // Closes the frame (which saves) and starts it again on the same folder.
    void restart() {
        form->close();
        form.reset();
        start();
    }
};
