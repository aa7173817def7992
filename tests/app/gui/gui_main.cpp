// The window tests run in one application object of the program's kind; listing the
// tests needs none, so that the build can list them without a display.
#include <gtest/gtest.h>

#include <QStyleFactory>

#include <memory>

#include "app/startup.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  std::unique_ptr<pelyx::app::TApplication> application;
  if (!GTEST_FLAG_GET(list_tests)) {
    application = std::make_unique<pelyx::app::TApplication>(argc, argv);
    QApplication::setStyle(QStyleFactory::create("Fusion"));
  }
  return RUN_ALL_TESTS();
}
