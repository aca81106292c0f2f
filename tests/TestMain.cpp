// Widget tests run on Qt's offscreen platform with a temporary program folder each.

#include "platform/ErrorBox.h"

#include <QApplication>
#include <clocale>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    std::setlocale(LC_ALL, "");
    TavixApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Tavix"));
    return RUN_ALL_TESTS();
}
