// The drawing widgets' tests run under an application object (offscreen platform); the
// test listing at build time needs none.
#include <gtest/gtest.h>

#include <QApplication>
#include <QStyleFactory>
#include <memory>

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  std::unique_ptr<QApplication> application;
  if (!GTEST_FLAG_GET(list_tests)) {
    application = std::make_unique<QApplication>(argc, argv);
    QApplication::setStyle(QStyleFactory::create("Fusion"));
  }
  return RUN_ALL_TESTS();
}
