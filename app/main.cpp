// TESK AIS Receiver Configuration: configures and checks a Pelyx AIS receiver.
#include "app/startup.h"

int main(int argc, char** argv) {
  return pelyx::app::RunApplication(argc, argv);
}
