// regsvr: registers or unregisters an in-process server library by calling
// its DllRegisterServer or DllUnregisterServer export.
//
//   regsvr [-u] [-s] LIBRARY
//     -u  unregister
//     -s  silent: print nothing on success
//
// Exit status: 0 success, 1 bad arguments, 3 the library did not load,
// 4 it has no such export, 5 the export reported a failure.
#include <dlfcn.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

using EntryPoint = std::int32_t (*)();

int Usage() {
  std::fprintf(stderr, "usage: regsvr [-u] [-s] LIBRARY\n");
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  bool unregister = false, silent = false;
  const char* library = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-u") == 0)
      unregister = true;
    else if (std::strcmp(argv[i], "-s") == 0)
      silent = true;
    else if (argv[i][0] == '-' || library)
      return Usage();
    else
      library = argv[i];
  }
  if (!library) return Usage();

  // A bare name would be searched for on the library path; take it as a file.
  std::string path = library;
  if (path.find('/') == std::string::npos) path = "./" + path;
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module) {
    std::fprintf(stderr, "regsvr: %s could not be loaded: %s\n", library, dlerror());
    return 3;
  }
  const char* name = unregister ? "DllUnregisterServer" : "DllRegisterServer";
  auto entry = reinterpret_cast<EntryPoint>(dlsym(module, name));
  if (!entry) {
    std::fprintf(stderr, "regsvr: %s was loaded, but the entry point %s was not found.\n", library,
                 name);
    dlclose(module);
    return 4;
  }
  std::int32_t hr = entry();
  if (hr < 0) {
    std::fprintf(stderr, "regsvr: %s in %s failed with code 0x%08X.\n", name, library,
                 static_cast<unsigned>(hr));
    dlclose(module);
    return 5;
  }
  if (!silent) std::printf("%s in %s succeeded.\n", name, library);
  // Not unloaded: a library's own threads may still be ending.
  return 0;
}
