#include "shells/qt/orbit_app.h"

int main(int argc, char** argv) {
  quorvex::COrbitApp app(argc, argv);
  app.InitInstance();
  return app.exec();
}
