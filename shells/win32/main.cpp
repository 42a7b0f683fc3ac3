#include <windows.h>

#include "shells/win32/orbit_app.h"

namespace {

// The one application object, made before start-up.
quorvex::COrbitApp theApp;

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  return theApp.Run(instance);
}
