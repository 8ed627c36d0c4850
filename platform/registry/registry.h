// The registry: HKEY_LOCAL_MACHINE and HKEY_CLASSES_ROOT kept as files under
// one root folder.
//
// What a caller may rely on:
// - The root folder is $VLM_REGISTRY_ROOT, read when the first key is opened
//   in the process (and again after vlm::registry::ResetForTests()); when it is
//   unset, /var/lib/vlm/registry.
// - Key paths use "\" between names; one leading "\" is ignored. Key and value
//   names compare case-insensitively (ASCII) and keep the case they were
//   created with. The empty value name (or a null one) is the key's default
//   value. A key name is 1 to 255 characters without control characters; a
//   value name is at most 16383 characters.
// - Values keep their type: REG_SZ data is stored as given (callers count the
//   terminating NUL in the length) and read back byte for byte; REG_DWORD is
//   exactly 4 bytes, little-endian; REG_BINARY and REG_NONE are opaque bytes.
//   Other types, and data over 1 MiB, are refused with 87. Setting an existing
//   value keeps its name's case and its place. Subkeys and values enumerate in
//   creation order.
// - Every change is durable and atomic: it is written to a temporary file that
//   replaces the hive file by rename, under an exclusive lock of the hive's
//   lock file; a read takes the current file, which is always a whole one. A
//   change made by another process is seen by the next call. A crash never
//   leaves a torn key.
// - Results are the platform's codes (platform/errors.h): ERROR_SUCCESS 0,
//   ERROR_FILE_NOT_FOUND 2, ERROR_ACCESS_DENIED 5, ERROR_INVALID_HANDLE 6 (a
//   null, closed or unknown handle), ERROR_NOT_ENOUGH_MEMORY 8,
//   ERROR_INVALID_PARAMETER 87 (a null pointer where one is required, non-zero
//   reserved arguments or options, a bad name, type or size), ERROR_MORE_DATA
//   234, ERROR_NO_MORE_ITEMS 259, ERROR_REGISTRY_CORRUPT 1015 (the hive file
//   does not parse; it is then left as it is), ERROR_REGISTRY_IO_FAILED 1016
//   (the change could not be written; nothing changed), ERROR_KEY_DELETED 1018
//   (the handle's key was deleted after it was opened), ERROR_KEY_HAS_CHILDREN
//   1020.
// - Opening or creating a key with any write right (KEY_WRITE, KEY_SET_VALUE,
//   KEY_CREATE_SUB_KEY, KEY_ALL_ACCESS) fails with 5 when the effective user
//   may not write the hive file, or when a test has denied writing below that
//   key (DenyWriteBelowForTests); so does creating a key that is not there,
//   with any rights, and every change, which checks this again. A handle can only do what it was opened for: querying
//   values and enumerating values need KEY_QUERY_VALUE, enumerating subkeys
//   KEY_ENUMERATE_SUB_KEYS, setting and deleting values KEY_SET_VALUE; else 5.
//   The predefined roots have every right.
// - RegDeleteKeyA deletes a key without subkeys (1020 otherwise). As on the
//   platform, the right is checked on the key deleted, not on the handle
//   given: it fails with 5 when the hive may not be written or the key lies
//   below a denied key. A root cannot be deleted (5).
// - Handles are small opaque values; every handle that an open or create
//   returns must be closed with RegCloseKey. Closing a predefined root does
//   nothing. A handle names its key by path. The functions are thread-safe.
#pragma once

#include <cstddef>
#include <string>

#include "platform/errors.h"
#include "platform/types.h"

namespace vlm {

struct RegKeyHandle;
using HKEY = RegKeyHandle*;

// Predefined roots.
HKEY hkeyLocalMachine();
HKEY hkeyClassesRoot();
#define HKEY_LOCAL_MACHINE (::vlm::hkeyLocalMachine())
#define HKEY_CLASSES_ROOT (::vlm::hkeyClassesRoot())

// Access rights.
inline constexpr DWORD KEY_QUERY_VALUE = 0x0001;
inline constexpr DWORD KEY_SET_VALUE = 0x0002;
inline constexpr DWORD KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr DWORD KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr DWORD KEY_NOTIFY = 0x0010;
inline constexpr DWORD KEY_READ = 0x20019;
inline constexpr DWORD KEY_WRITE = 0x20006;
inline constexpr DWORD KEY_ALL_ACCESS = 0xF003F;

// Value types.
inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;

// Creation options and dispositions.
inline constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// A null or empty subKey opens a new handle to the key itself. The class and
// the security attributes of a created key are accepted and not stored.
LONG RegOpenKeyExA(HKEY key, const char* subKey, DWORD options, DWORD desired, HKEY* result);
LONG RegCreateKeyExA(HKEY key, const char* subKey, DWORD reserved, char* keyClass, DWORD options,
                     DWORD desired, const SECURITY_ATTRIBUTES* security, HKEY* result,
                     DWORD* disposition);
LONG RegCloseKey(HKEY key);

// dataSize in: the buffer's size; out: the data's size. With data null only
// the size (and type) is returned. A buffer that is too small gives 234 and
// the size needed; nothing is written to it.
LONG RegQueryValueExA(HKEY key, const char* valueName, DWORD* reserved, DWORD* type,
                      BYTE* data, DWORD* dataSize);
LONG RegSetValueExA(HKEY key, const char* valueName, DWORD reserved, DWORD type,
                    const BYTE* data, DWORD dataSize);
LONG RegDeleteValueA(HKEY key, const char* valueName);
LONG RegDeleteKeyA(HKEY key, const char* subKey);

// Enumeration by index in creation order; 259 past the end. nameSize in: the
// buffer's size in characters including the NUL; out: the name's length
// without it. A name (or, for values, data) that does not fit gives 234 with
// the sizes needed (the name's length without the NUL); nothing is written
// to the buffers then. No key has a class: keyClass, when given, gets an empty
// text and classSize 0. lastWriteTime is not written.
LONG RegEnumKeyExA(HKEY key, DWORD index, char* name, DWORD* nameSize, DWORD* reserved,
                   char* keyClass, DWORD* classSize, void* lastWriteTime);
LONG RegEnumValueA(HKEY key, DWORD index, char* valueName, DWORD* valueNameSize,
                   DWORD* reserved, DWORD* type, BYTE* data, DWORD* dataSize);

namespace registry {

// The root folder now in use.
std::string RootFolder();

// Test hooks. DenyWriteBelowForTests makes every open or create with a write
// right of that key or any key below it fail with 5, and every change there
// through handles opened before (tests run as root, who may write every
// file). The path is "HKLM\..." or "HKCR\..."; "HKLM" alone denies the hive.
void DenyWriteBelowForTests(const std::string& rootAndPath);
void ClearDeniedWritesForTests();
// The number of handles opened or created and not yet closed, in the whole
// process (the predefined roots are not counted).
std::size_t OpenKeyCountForTests();
// Forget the cached root folder so that a changed $VLM_REGISTRY_ROOT applies.
void ResetForTests();

}  // namespace registry
}  // namespace vlm
