// Paints each engine family with typical options and a tray selected through
// the real libraries, as the monitor does (self-registration in a registry
// of its own, creation by ProgID, DrawEngine by name), and writes
// <folder>/RXnn.png at three times the size, for looking at:
//
//   enginepics_showcase <output folder>
#include <dlfcn.h>

#include <QDir>
#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "enginepics/gdi/gdi.h"
#include "platform/com/com.h"

namespace {

using namespace vlm;

struct Showcase {
  const char* code;
  const char* path;
  int width, height;
  DWORD options;
  const char* finisher;
  const char* lct;
  LONG tray;
};

// Options bits (the engine's installed-option field).
constexpr DWORD kTop = 0x2, kLct = 0x80, kSubUnit = 0x100, kOffset = 0x200, kFinisher = 0x800,
                kThird = 0x800000, kFourth = 0x1000000, kFifth = 0x2000000, kVariant4 = 0x40000000;

bool Paint(const Showcase& c, const std::string& folder) {
  void* module = dlopen(c.path, RTLD_NOW | RTLD_LOCAL);
  auto reg = module ? reinterpret_cast<DllRegisterServerFn>(dlsym(module, "DllRegisterServer")) : nullptr;
  if (!reg || FAILED(reg())) {
    std::fprintf(stderr, "%s: cannot register %s\n", c.code, c.path);
    return false;
  }
  QImage picture(c.width, c.height, QImage::Format_RGB32);
  picture.fill(0xFFF0F0F0);
  const HDC dc = CreateImageDC(&picture);
  try {
    ComPtr<IDispatch> engine = VbCreateObject(std::string("TQZResource.TQZ") + c.code);
    VbCallByName(engine.Get(), "DrawEngine", static_cast<LONG>(static_cast<std::uint32_t>(dc)),
                 static_cast<LONG>(c.options), LONG{0}, c.finisher, c.lct, "", c.tray, LONG{0}, true);
  } catch (const VbError& e) {
    std::fprintf(stderr, "%s: error %d %s\n", c.code, e.Number(), e.Description().c_str());
    DeleteDC(dc);
    return false;
  }
  DeleteDC(dc);
  const QString path = QString::fromStdString(folder + "/" + c.code + ".png");
  return picture.scaled(picture.size() * 3, Qt::IgnoreAspectRatio, Qt::FastTransformation).save(path, "PNG");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
    return 2;
  }
  char root[] = "/tmp/vlm-showcase-XXXXXX";
  if (mkdtemp(root) == nullptr) return 1;
  ::setenv("VLM_REGISTRY_ROOT", root, 1);
  CoInitialize(nullptr);
  const Showcase cases[] = {
      {"RX11", VLM_RX11_PATH, 175, 127, kTop | kFinisher | kVariant4 | kFourth | kFifth, "QN-748", "", 2},
      {"RX12", VLM_RX12_PATH, 171, 123, kTop | kFinisher | kThird | kFourth | kFifth, "", "", 3},
      {"RX13", VLM_RX13_PATH, 190, 127, kTop | kLct | kFinisher, "QN-746", "", 2},
      {"RX14", VLM_RX14_PATH, 190, 127, kTop | kLct | kFinisher | kOffset | kSubUnit, "QN-752W", "", 6},
      {"RX15", VLM_RX15_PATH, 190, 127, kTop | kLct | kFinisher | kSubUnit, "QN-867", "VR-682", 3},
      {"RX16", VLM_RX16_PATH, 175, 127, kTop | kLct | kFinisher | kFourth | kFifth, "QN-759", "", 4},
      {"RX17", VLM_RX17_PATH, 190, 127, kTop | kLct | kFinisher | kSubUnit, "QN-865", "VR-672", 2},
  };
  bool ok = QDir().mkpath(QString::fromUtf8(argv[1]));
  for (const Showcase& c : cases) ok = ok && Paint(c, argv[1]);
  CoUninitialize();
  std::filesystem::remove_all(root);
  return ok ? 0 : 1;
}
