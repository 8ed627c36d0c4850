// The check of an IP range typed into the options dialog ("&Add").
#include <array>
#include <optional>

#include "monitor/devicedata/devicedata.h"
#include "monitor/optionsstore/optionsstore.h"

namespace vlm::monitor {
namespace {

const std::string kCrLf = "\r\n";

// A text of the range messages: the English literal, or the language
// library's string cut at its first NUL.
std::string Say(VbLong id, const char* english) {
  return Localised == "On" ? Trim_At_Null(Load_Res_String(id)) : std::string(english);
}

// The texts of one side of the range, with their string numbers.
struct Side_Texts {
  VbLong noDotId;
  const char* noDot;
  VbLong missingId;
  const char* missing;
  VbLong tooManyId;
  const char* tooMany;
  // Per segment: not numeric, zero (0 when the segment has no zero test),
  // out of range.
  struct Segment {
    VbLong notNumericId;
    const char* notNumeric;
    VbLong zeroId;
    const char* zero;
    VbLong outOfRangeId;
    const char* outOfRange;
  };
  std::array<Segment, 4> segments;
};

const Side_Texts kStart = {
    355, "Startng Range - Segments are Missing",
    355, "Starting Range - Segments are Missing",
    356, "Starting Range - Too Many Segments Entered",
    {{{349, "Starting Range - Segment One Not Numeric", 348, "Starting Range - Segment One Can Not be Zero",
       350, "Starting Range - Segment One Out of Range"},
      {353, "Starting Range - Segment Two Not Numeric", 0, nullptr, 354, "Starting Range - Segment Two Out of Range"},
      {351, "Starting Range - Segment Three Not Numeric", 0, nullptr, 352,
       "Starting Range - Segment Three Out of Range"},
      {346, "Starting Range - Segment Four Not Numeric", 345, "Starting Range - Segment Four Can Not be Zero", 347,
       "Starting Range - Segment Four Out of Range"}}}};

const Side_Texts kEnd = {
    184, "Ending Range - Segments are Missing",
    184, "Ending Range - Segments are Missing",
    185, "Ending Range - Too Many Segments Entered",
    {{{178, "Ending Range - Segment One Not Numeric", 177, "Ending Range - Segment One Can Not be Zero", 179,
       "Ending Range - Segment One Out of Range"},
      {182, "Ending Range - Segment Two Not Numeric", 0, nullptr, 183, "Ending Range - Segment Two Out of Range"},
      {180, "Ending Range - Segment Three Not Numeric", 0, nullptr, 181, "Ending Range - Segment Three Out of Range"},
      {175, "Ending Range - Segment Four Not Numeric", 174, "Ending Range - Segment Four Can Not be Zero", 176,
       "Ending Range - Segment Four Out of Range"}}}};

using Segments = std::array<std::string, 4>;
using Address = std::array<long, 4>;

enum class Split_Fault { None, No_Dot, Missing, Too_Many };

// Four segments: the texts before the first dot, between the dots, and the
// whole remainder after the third dot, which holds no further dot.
Split_Fault Split(const std::string& text, Segments& out) {
  const std::size_t p1 = text.find('.');
  if (p1 == std::string::npos) return Split_Fault::No_Dot;
  const std::size_t p2 = text.find('.', p1 + 1);
  if (p2 == std::string::npos) return Split_Fault::Missing;
  const std::size_t p3 = text.find('.', p2 + 1);
  if (p3 == std::string::npos) return Split_Fault::Missing;
  if (text.find('.', p3 + 1) != std::string::npos) return Split_Fault::Too_Many;
  out = {text.substr(0, p1), text.substr(p1 + 1, p2 - p1 - 1), text.substr(p2 + 1, p3 - p2 - 1),
         text.substr(p3 + 1)};
  return Split_Fault::None;
}

// A segment is numeric when it is blanks, an optional sign, digits and
// blanks. Values beyond any segment's range saturate, so they stay out of it.
std::optional<long> Segment_Value(const std::string& text) {
  std::size_t i = text.find_first_not_of(' ');
  if (i == std::string::npos) return std::nullopt;
  bool negative = false;
  if (text[i] == '+' || text[i] == '-') {
    negative = text[i] == '-';
    ++i;
  }
  const std::size_t digitsStart = i;
  long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = std::min(value * 10 + (text[i] - '0'), 100000L);
  }
  if (i == digitsStart) return std::nullopt;
  if (text.find_first_not_of(' ', i) != std::string::npos) return std::nullopt;
  return negative ? -value : value;
}

std::string Canonical(const Address& a) {
  return std::to_string(a[0]) + "." + std::to_string(a[1]) + "." + std::to_string(a[2]) + "." +
         std::to_string(a[3]);
}

// Checks one split address, appending a line per fault to the message;
// true when it is a valid address.
bool Check_Address(const Segments& segments, const Side_Texts& texts, std::string& message, int& problems,
                   Address& address) {
  for (std::size_t s = 0; s < 4; ++s) {
    const Side_Texts::Segment& t = texts.segments[s];
    std::optional<long> value = Segment_Value(segments[s]);
    if (!value) {
      message += Say(t.notNumericId, t.notNumeric) + kCrLf;
      ++problems;
      continue;
    }
    if (t.zero && *value == 0) {
      message += Say(t.zeroId, t.zero) + kCrLf;
      ++problems;
    }
    if (*value < 0 || *value > 254) {
      message += Say(t.outOfRangeId, t.outOfRange) + kCrLf;
      ++problems;
    }
    address[s] = *value;
  }
  return problems == 0;
}

const char* Split_Line(Split_Fault fault, const Side_Texts& texts, VbLong& id) {
  switch (fault) {
    case Split_Fault::No_Dot:
      id = texts.noDotId;
      return texts.noDot;
    case Split_Fault::Missing:
      id = texts.missingId;
      return texts.missing;
    default:
      id = texts.tooManyId;
      return texts.tooMany;
  }
}

// An address of four numeric segments, whatever their values.
std::optional<Address> Parse_Loosely(const std::string& text) {
  Segments segments;
  if (Split(text, segments) != Split_Fault::None) return std::nullopt;
  Address a{};
  for (std::size_t s = 0; s < 4; ++s) {
    std::optional<long> v = Segment_Value(segments[s]);
    if (!v) return std::nullopt;
    a[s] = *v;
  }
  return a;
}

}  // namespace

std::string Canonical_Range(const std::string& item) {
  const std::size_t colon = item.find(':');
  const std::string start = item.substr(0, colon);
  const std::string end = colon == std::string::npos ? start : item.substr(colon + 1);
  std::optional<Address> a = Parse_Loosely(start), b = Parse_Loosely(end);
  if (!a || !b) return item;
  return Canonical(*a) + ":" + Canonical(*b);
}

Range_Entry_Result Check_Range_Entry(const std::string& text1, const std::string& text2,
                                     const std::vector<std::string>& list) {
  Range_Entry_Result r;
  r.Text1 = text1;
  r.Text2 = text2;
  if (text1.empty() && text2.empty()) return r;
  if (text1.empty()) {
    r.Outcome = Range_Entry_Outcome::Refused;
    r.Message = Say(363, "The Following Information is Missing") + kCrLf + kCrLf + std::string(15, ' ') +
                Say(357, "Starting Range");
    return r;
  }
  if (text2.empty()) r.Text2 = text1;

  std::string message = Say(363, "The Following Information is Missing") + kCrLf + kCrLf;
  int problems = 0;
  bool startValid = false, endValid = false;
  Address start{}, end{};
  VbLong id = 0;

  Segments segments;
  Split_Fault fault = Split(r.Text1, segments);
  if (fault != Split_Fault::None) {
    const char* line = Split_Line(fault, kStart, id);
    message += Say(id, line) + kCrLf;
    ++problems;
  } else {
    message = Say(362, "The Following Information is Incorrect:") + kCrLf + kCrLf;
    startValid = Check_Address(segments, kStart, message, problems, start);
  }

  fault = Split(r.Text2, segments);
  if (fault != Split_Fault::None) {
    const char* line = Split_Line(fault, kEnd, id);
    message += Say(id, line) + kCrLf;
    ++problems;
  } else {
    message += kCrLf;
    endValid = Check_Address(segments, kEnd, message, problems, end);
    if (startValid && endValid && start > end) {
      message += Say(365, "The Starting Range Can Not be Greater then Ending Range");
      ++problems;
    }
  }

  if (problems > 0) {
    r.Outcome = Range_Entry_Outcome::Refused;
    r.Message = message;
    return r;
  }

  const std::string item = Canonical(start) + ":" + Canonical(end);
  for (const std::string& existing : list) {
    if (Canonical_Range(existing) == item) {
      r.Outcome = Range_Entry_Outcome::Duplicate;
      r.Message = Say(364, "The Following Range Record Already Exists") + kCrLf + kCrLf + std::string(10, ' ') +
                  existing;
      r.Text1.clear();
      r.Text2.clear();
      return r;
    }
  }
  r.Outcome = Range_Entry_Outcome::Added;
  r.Item = item;
  r.Text1.clear();
  r.Text2.clear();
  return r;
}

std::string Range_Message_Title(const std::string& programTitle) {
  if (!programTitle.empty()) return programTitle;
  return Localised == "On" ? Load_Res_String(234) : std::string("Velmar Printer Monitor");
}

}  // namespace vlm::monitor
