// The CUPS backend: printers from the scheduler over IPP.
//
// The listing is one CUPS-Get-Printers request on a connection of its own,
// never cupsGetDests(): that call also browses the network (DNS-SD) for
// printers that are not installed here.
#include <cups/cups.h>

#include <cctype>

#include "platform/spooler/spooler.h"

namespace vlm::spooler {

namespace {

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

struct Http {
  http_t* h = nullptr;
  ~Http() {
    if (h) httpClose(h);
  }
};

struct Ipp {
  ipp_t* p = nullptr;
  ~Ipp() {
    if (p) ippDelete(p);
  }
};

}  // namespace

std::string PortNameFromDeviceUri(std::string_view uri) {
  std::size_t colon = uri.find(':');
  if (colon == std::string_view::npos || colon == 0) return std::string(uri);
  std::string_view scheme = uri.substr(0, colon);
  std::string_view rest = uri.substr(colon + 1);
  if (EqualNoCase(scheme, "file")) return "FILE:";
  if (EqualNoCase(scheme, "parallel")) return "LPT1:";
  if (EqualNoCase(scheme, "serial")) return "COM1:";

  const bool hostScheme = EqualNoCase(scheme, "socket") || EqualNoCase(scheme, "lpd") ||
                          EqualNoCase(scheme, "ipp") || EqualNoCase(scheme, "ipps") ||
                          EqualNoCase(scheme, "http") || EqualNoCase(scheme, "https");
  const bool smb = EqualNoCase(scheme, "smb");
  if ((!hostScheme && !smb) || rest.substr(0, 2) != "//") return std::string(uri);

  rest.remove_prefix(2);
  std::size_t end = rest.find_first_of("/?#");
  std::string_view authority = rest.substr(0, end);
  std::string_view path = end == std::string_view::npos ? std::string_view{} : rest.substr(end);
  if (std::size_t at = authority.rfind('@'); at != std::string_view::npos) authority.remove_prefix(at + 1);
  std::string_view host;
  if (!authority.empty() && authority.front() == '[') {
    std::size_t close = authority.find(']');
    if (close == std::string_view::npos) return std::string(uri);
    host = authority.substr(1, close - 1);
  } else {
    host = authority.substr(0, authority.find(':'));
  }
  if (host.empty()) return std::string(uri);
  if (hostScheme) return std::string(host);

  // smb://host/queue: the UNC name \\host\queue.
  path = path.substr(0, path.find_first_of("?#"));
  std::string unc = "\\\\" + std::string(host);
  for (char c : path) unc.push_back(c == '/' ? '\\' : c);
  while (unc.size() > 2 && unc.back() == '\\') unc.pop_back();
  return unc;
}

CupsSpooler::CupsSpooler(std::string server) : server_(std::move(server)) {}

LONG CupsSpooler::ListPrinters(std::vector<Printer>& out) {
  out.clear();
  std::string host = server_.empty() ? cupsServer() : server_;
  int port = ippPort();
  if (!host.empty() && host.front() != '/') {
    // "host:port" (an IPv6 literal keeps its colons inside brackets).
    std::size_t colon = host.rfind(':');
    if (colon != std::string::npos && host.find(']', colon) == std::string::npos) {
      port = std::atoi(host.c_str() + colon + 1);
      host.resize(colon);
    }
  }
  Http http;
  http.h = httpConnect2(host.c_str(), port, nullptr, AF_UNSPEC, cupsEncryption(), 1, 5000, nullptr);
  if (!http.h) return RPC_S_SERVER_UNAVAILABLE;

  ipp_t* request = ippNewRequest(IPP_OP_CUPS_GET_PRINTERS);
  if (!request) return ERROR_NOT_ENOUGH_MEMORY;
  static const char* const kAttributes[] = {"printer-name", "printer-type", "device-uri", "printer-info"};
  ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                static_cast<int>(sizeof kAttributes / sizeof *kAttributes), nullptr, kAttributes);
  Ipp response;
  response.p = cupsDoRequest(http.h, request, "/");  // frees `request`
  if (!response.p) return RPC_S_SERVER_UNAVAILABLE;
  // No printer at all is "not found", which is an empty list here.
  if (ippGetStatusCode(response.p) == IPP_STATUS_ERROR_NOT_FOUND) return ERROR_SUCCESS;
  if (ippGetStatusCode(response.p) > IPP_STATUS_OK_EVENTS_COMPLETE) return RPC_S_SERVER_UNAVAILABLE;

  // One printer per group of printer attributes.
  Printer current;
  bool named = false;
  auto flush = [&] {
    if (named) out.push_back(current);
    current = Printer{};
    named = false;
  };
  for (ipp_attribute_t* a = ippFirstAttribute(response.p); a; a = ippNextAttribute(response.p)) {
    const char* name = ippGetName(a);
    if (!name) {  // group separator
      flush();
      continue;
    }
    if (ippGetGroupTag(a) != IPP_TAG_PRINTER) continue;
    std::string_view n = name;
    if (n == "printer-name") {
      const char* v = ippGetString(a, 0, nullptr);
      current.name = v ? v : "";
      named = true;
    } else if (n == "printer-type") {
      current.connection = (ippGetInteger(a, 0) & CUPS_PRINTER_REMOTE) != 0;
    } else if (n == "device-uri") {
      const char* v = ippGetString(a, 0, nullptr);
      current.portName = PortNameFromDeviceUri(v ? v : "");
    } else if (n == "printer-info") {
      const char* v = ippGetString(a, 0, nullptr);
      current.comment = v ? v : "";
    }
  }
  flush();
  return ERROR_SUCCESS;
}

}  // namespace vlm::spooler
