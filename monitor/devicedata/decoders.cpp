// The decoders: device codes to display texts, English or localised.
#include <limits>
#include <span>
#include <string>

#include "monitor/devicedata/devicedata.h"

namespace vlm::monitor {
namespace {

struct Decode_Row {
  VbLong code;
  const char* english;
  VbLong resource;
};

std::string Row_Text(const Decode_Row& row) {
  return Localised == "On" ? Load_Res_String(row.resource) : std::string(row.english);
}

// The first row of the code, else the default row, else the empty text.
std::string Decode(std::span<const Decode_Row> table, VbLong code,
                   const Decode_Row* fallback = nullptr) {
  for (const Decode_Row& row : table)
    if (row.code == code) return Row_Text(row);
  return fallback != nullptr ? Row_Text(*fallback) : std::string();
}

// Spaces off both ends, as the windows trim texts.
std::string Trim_Spaces(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

constexpr Decode_Row kUnknown = {0, "Unknown", 389};
constexpr Decode_Row kOther = {0, "Other", 282};

constexpr Decode_Row kDeviceTypes[] = {
    {1, "Other", 282}, {2, "Unknown", 389}, {3, "Printer", 312},
    {4, "Copier", 158}, {5, "Fax", 194},    {6, "Multifuction", 261},
};

constexpr Decode_Row kPaperSizes[] = {
    {1, "Other", 282},         {2, "Unknown", 389},     {3, "A3R", 120},
    {4, "A4R", 122},           {5, "A4", 121},          {6, "A5R", 124},
    {7, "A5", 123},            {8, "B4R", 131},         {9, "B5R", 132},
    {10, "B5", 408},           {11, "B6R", 133},        {12, "F4R", 193},
    {13, "Inch System Special", 224},                   {14, "11x17R", 115},
    {15, "10x15", 114},        {16, "8.5x14R", 119},    {17, "8.5x11R", 118},
    {18, "8.5x11", 409},       {19, "5.5x8.5R", 117},   {20, "5.5x8.5", 472},
    {21, "Postcard", 473},     {22, "A6R", 474},        {23, "8KR", 475},
    {24, "16K", 476},          {25, "16KR", 477},       {26, "A3WR", 478},
    {27, "A4W", 479},          {28, "A4WR", 480},       {29, "A5W", 481},
    {30, "A5WR", 482},         {31, "B4WR", 483},       {32, "B5W", 484},
    {33, "B5WR", 485},         {34, "8.8x11W", 486},    {35, "8.8x11WR", 487},
    {36, "11x17WR", 488},      {37, "5.5x8.5W", 489},   {38, "5.5x8.5WR", 490},
    {39, "User Defined", 491},
};

constexpr Decode_Row kMediaTypes[] = {
    {1, "Other", 282},         {2, "Unknown", 389},         {3, "Normal", 271},
    {4, "Thin", 367},          {5, "Thick", 366},           {6, "OHP", 275},
    {7, "Recycled", 318},      {8, "Color", 143},           {9, "Letterhead", 244},
    {10, "Special", 341},      {11, "Labels", 239},         {12, "Invoice", 228},
    {13, "High Quality", 210}, {14, "Tabbed", 464},         {15, "User Defined", 465},
    {16, "Second Original", 466},
};

constexpr Decode_Row kTrayStatuses[] = {
    {1, "Other", 282}, {2, "Unknown", 389}, {3, "Available", 130},
    {4, "Empty", 172}, {5, "Open", 281},    {6, "Disabled", 162},
};

constexpr Decode_Row kFeedDirections[] = {
    {1, "Other", 282}, {2, "Unknown", 389}, {3, "Long-edge", 246}, {4, "Short-edge", 339},
};

constexpr Decode_Row kInputTypes[] = {
    {1, "Other", 282},
    {2, "Unknown", 389},
    {3, "sheet fed auto removable tray", 338},
    {4, "sheet fed auto non-removabe tray", 337},
    {5, "Manual Feed", 250},
    {6, "continuous roll", 147},
    {7, "continuous fan fold", 145},
    {8, "LCT (1,500)", 237},
    {9, "LCT (1,000)", 236},
    {10, "LCT (3,500)", 238},
    {11, "Universal (500)", 387},
    {12, "Fixed (500)", 203},
};

constexpr Decode_Row kOutputTypes[] = {
    {1, "Other", 282},
    {2, "Unknown", 389},
    {3, "Removable bin", 325},
    {4, "Fixed bin", 204},
    {5, "continuous roll device", 146},
    {6, "mail box", 248},
    {7, "continuous fan fold", 145},
    {8, "Fixed", 403},
    {9, "Offset/Staple", 279},
};

constexpr Decode_Row kAlertSeverities[] = {
    {1, "Other", 418}, {2, "Unknown", 389}, {3, "Error", 419},
    {4, "Warning", 420}, {5, "Information", 225},
};

constexpr Decode_Row kPrinterLanguages[] = {
    {1, "PCL", 289},        {2, "VMPDL", 410},     {3, "PCL, VMPDL", 424},
    {4, "PS", 292},         {5, "PCL, PS", 425},   {6, "VMPDL, PS", 426},
};

constexpr Decode_Row kProtocols[] = {
    {1, "TCP/IP", 361},
    {0, "IPX (Netware)", 218},
};

constexpr Decode_Row kDeviceStatuses[] = {
    {1, "Other", 282},     {2, "Unknown", 389},      {3, "Ready", 317},
    {4, "Not Ready", 274}, {5, "Working", 396},      {6, "Busy", 135},
    {7, "Off Line", 277},  {8, "Initializing", 226}, {9, "Warning", 394},
    {10, "Error", 191},
};

constexpr Decode_Row kMemoryTypes[] = {
    {1, "Other", 282}, {2, "Unknown", 389}, {3, "Ram", 315},
    {4, "Rom", 328},   {5, "NVRam", 264},   {6, "ERDH", 171},
};

constexpr Decode_Row kFirmwareComponents[] = {
    {1, "Other", 282},       {2, "Unknown", 389},    {5, "Engine", 190},
    {6, "Finisher", 201},    {7, "Image Rom", 440},  {8, "Panel Rom", 441},
    {9, "Optics Rom", 451},  {10, "ADF Rom", 452},   {11, "DB Rom", 453},
    {12, "Fax Rom", 454},    {13, "CIC", 136},       {14, "EIC", 170},
};

// Codes 5 to 10 share the device status's string numbers.
constexpr Decode_Row kMachineStates[] = {
    {1, "Maintenance Required", 421}, {2, "Unknown", 389},
    {3, "Ready", 317},                {4, "Not Ready", 274},
    {5, "Printing", 396},             {6, "Copying", 135},
    {7, "Scanning", 277},             {8, "Interrupt Copy", 226},
    {9, "Receiving Job", 394},        {10, "Waiting for Engine", 191},
    {11, "Warming Up", 415},          {12, "Waiting for Restart", 416},
    {13, "In Menu", 417},
};

constexpr Decode_Row kPresence[] = {
    {1, "Other", 282}, {2, "Unknown", 389}, {3, "Yes", 397},
    {4, "No", 269},    {5, "Not Present", 273},
};

// The finisher option words: code 3 is present.
constexpr Decode_Row kYes[] = {{3, "YES", 397}};
constexpr Decode_Row kNoMixedCase = {0, "No", 269};
constexpr Decode_Row kNoUpperCase = {0, "NO", 269};

}  // namespace

std::string Decode_Device_Type(VbLong code) { return Decode(kDeviceTypes, code); }

std::string Decode_Paper_Size(VbLong code) {
  const std::string text = Decode(kPaperSizes, code);
  return Trim_Spaces(Trim_At_Null(text)) + Paper_Size_Suffix;
}

std::string Decode_Media_Type(VbLong code) { return Decode(kMediaTypes, code, &kUnknown); }

std::string Decode_Tray_Status(VbLong code) {
  return Trim_Spaces(Decode(kTrayStatuses, code));
}

std::string Decode_Feed_Direction(VbLong code) { return Decode(kFeedDirections, code); }

std::string Decode_Input_Type(VbLong code) { return Decode(kInputTypes, code); }

std::string Decode_Output_Type(VbLong code) { return Decode(kOutputTypes, code); }

std::string Decode_Alert_Severity(VbLong code) { return Decode(kAlertSeverities, code); }

std::string Show_Printer_Languages(VbLong code) {
  const std::string text = Decode(kPrinterLanguages, code);
  if (Main_Window != nullptr) {
    Main_Window->Set_Caption("lblIPPDL", Main_Window_Port::kNoIndex, text);
    Main_Window->Set_Caption("lblIPLanguages", Main_Window_Port::kNoIndex, text);
  }
  return text;
}

std::string Decode_Protocol(VbLong code) { return Decode(kProtocols, code, &kOther); }

std::string Decode_Device_Status(VbLong code) {
  return Decode(kDeviceStatuses, code, &kUnknown);
}

std::string Decode_Memory_Type(VbLong code) { return Decode(kMemoryTypes, code, &kUnknown); }

std::string Decode_Firmware_Component(VbLong code) {
  return Decode(kFirmwareComponents, code, &kUnknown);
}

std::string Decode_Machine_State(VbLong code) {
  // A code that does not fit 16 bits is no machine state: it decodes as
  // unknown and leaves 0, never a wrapped code.
  if (code < std::numeric_limits<VbInteger>::min() ||
      code > std::numeric_limits<VbInteger>::max()) {
    Machine_State_Code = 0;
    return Row_Text(kUnknown);
  }
  Machine_State_Code = static_cast<VbInteger>(code);
  return Decode(kMachineStates, code, &kUnknown);
}

std::string Decode_Yes_No(VbLong code) { return Decode(kYes, code, &kNoMixedCase); }
std::string Decode_Yes_No_2(VbLong code) { return Decode(kYes, code, &kNoUpperCase); }
std::string Decode_Yes_No_3(VbLong code) { return Decode(kYes, code, &kNoUpperCase); }
std::string Decode_Yes_No_4(VbLong code) { return Decode(kYes, code, &kNoUpperCase); }

std::string Decode_Present(VbLong code) { return Decode(kPresence, code, &kUnknown); }

}  // namespace vlm::monitor
