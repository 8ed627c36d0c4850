// The CUPS backend: printers and their jobs from the scheduler over IPP.
//
// Every call is one or two IPP requests on a connection of its own. The
// printer listing is CUPS-Get-Printers, never cupsGetDests(): that call also
// browses the network (DNS-SD) for printers that are not installed here.
#include <cups/cups.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <iterator>

#include "platform/spooler/internal.h"
#include "platform/spooler/spooler.h"

namespace vlm::spooler {

namespace {

// How long one request may wait for the scheduler.
constexpr double kRequestSeconds = 10.0;

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

namespace {

// Declines every password request. A scheduler that wants a login then
// refuses the request (authentication cancelled) instead of libcups' own
// callback opening the terminal and waiting there for someone to type.
const char* NoPassword(const char*, http_t*, const char*, const char*, void*) { return nullptr; }

// A connection to the server: "" for libcups' own choice, a socket path or
// "host:port". Null when the scheduler cannot be reached.
http_t* Connect(const std::string& server) {
  // libcups keeps the callback per thread, so every connecting thread sets it.
  cupsSetPasswordCB2(NoPassword, nullptr);
  std::string host = server.empty() ? cupsServer() : server;
  int port = ippPort();
  if (!host.empty() && host.front() != '/') {
    // "host:port" (an IPv6 literal keeps its colons inside brackets).
    std::size_t colon = host.rfind(':');
    if (colon != std::string::npos && host.find(']', colon) == std::string::npos) {
      port = std::atoi(host.c_str() + colon + 1);
      host.resize(colon);
    }
  }
  http_t* http = httpConnect2(host.c_str(), port, nullptr, AF_UNSPEC, cupsEncryption(), 1, 5000, nullptr);
  // A scheduler that stops answering fails the request instead of hanging it.
  if (http) httpSetTimeout(http, kRequestSeconds, nullptr, nullptr);
  return http;
}

// The platform code of a request's outcome; `notFound` for a printer or job
// that the scheduler does not know.
LONG ResultOf(ipp_t* response, LONG notFound) {
  ipp_status_t status = response ? ippGetStatusCode(response) : cupsLastError();
  if (status == IPP_STATUS_ERROR_FORBIDDEN || status == IPP_STATUS_ERROR_NOT_AUTHENTICATED ||
      status == IPP_STATUS_ERROR_NOT_AUTHORIZED || status == IPP_STATUS_ERROR_CUPS_AUTHENTICATION_CANCELED)
    return ERROR_ACCESS_DENIED;
  if (!response || status >= IPP_STATUS_ERROR_INTERNAL) return RPC_S_SERVER_UNAVAILABLE;
  if (status <= IPP_STATUS_OK_EVENTS_COMPLETE) return ERROR_SUCCESS;
  if (status == IPP_STATUS_ERROR_NOT_FOUND) return notFound;
  return ERROR_INVALID_PARAMETER;
}

// A request on a new connection; the response (null on failure) and its code.
struct Exchange {
  Ipp response;
  LONG result = RPC_S_SERVER_UNAVAILABLE;
};

void Send(const std::string& server, ipp_t* request, const char* resource, LONG notFound,
          Exchange& out) {
  Http http;
  http.h = Connect(server);
  if (!http.h) {
    ippDelete(request);
    out.result = RPC_S_SERVER_UNAVAILABLE;
    return;
  }
  out.response.p = cupsDoRequest(http.h, request, resource);  // frees `request`
  out.result = ResultOf(out.response.p, notFound);
}

// Requests in this process's user's name, so that the scheduler shows the
// owners and names of jobs and lets the user act on them.
ipp_t* NewRequest(ipp_op_t op) {
  ipp_t* request = ippNewRequest(op);
  if (request)
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
  return request;
}

ipp_t* PrinterRequest(ipp_op_t op, const std::string& printer) {
  char uri[HTTP_MAX_URI];
  if (httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(),
                       "/printers/%s", printer.c_str()) != HTTP_URI_STATUS_OK)
    return nullptr;
  ipp_t* request = NewRequest(op);
  if (request) ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
  return request;
}

ipp_t* JobRequest(ipp_op_t op, DWORD jobId) {
  char uri[HTTP_MAX_URI];
  if (httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(),
                       "/jobs/%u", static_cast<unsigned>(jobId)) != HTTP_URI_STATUS_OK)
    return nullptr;
  ipp_t* request = NewRequest(op);
  if (request) ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri);
  return request;
}

void RequestAttributes(ipp_t* request, const char* const* names, int count) {
  ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", count, nullptr, names);
}

std::string Text(ipp_attribute_t* a) {
  const char* v = ippGetString(a, 0, nullptr);
  return v ? v : "";
}

// Walks the response's groups of `tag` attributes: attribute(a) for each of
// their attributes, end() after each group.
template <typename OnAttribute, typename OnEnd>
void WalkGroups(ipp_t* response, ipp_tag_t tag, OnAttribute attribute, OnEnd end) {
  bool inGroup = false;
  for (ipp_attribute_t* a = ippFirstAttribute(response); a; a = ippNextAttribute(response)) {
    if (!ippGetName(a) || ippGetGroupTag(a) != tag) {
      if (inGroup) end();
      inGroup = false;
      continue;
    }
    inGroup = true;
    attribute(a);
  }
  if (inGroup) end();
}

// One attribute of a printer's group; `named` once the name was seen.
void ReadPrinterAttribute(ipp_attribute_t* a, Printer& out, bool& named) {
  std::string_view n = ippGetName(a);
  if (n == "printer-name") {
    out.name = Text(a);
    named = true;
  } else if (n == "printer-type") {
    out.connection = (ippGetInteger(a, 0) & CUPS_PRINTER_REMOTE) != 0;
  } else if (n == "device-uri") {
    out.portName = PortNameFromDeviceUri(Text(a));
  } else if (n == "printer-info") {
    out.comment = Text(a);
  } else if (n == "printer-state") {
    int state = ippGetInteger(a, 0);
    out.status = state == IPP_PSTATE_STOPPED      ? PRINTER_STATUS_PAUSED
                 : state == IPP_PSTATE_PROCESSING ? PRINTER_STATUS_PRINTING
                                                  : 0;
  } else if (n == "queued-job-count") {
    out.jobs = static_cast<DWORD>(std::max(ippGetInteger(a, 0), 0));
  }
}

// The printers of a response, in its order.
std::vector<Printer> PrintersOf(ipp_t* response) {
  std::vector<Printer> out;
  Printer current;
  bool named = false;
  WalkGroups(
      response, IPP_TAG_PRINTER, [&](ipp_attribute_t* a) { ReadPrinterAttribute(a, current, named); },
      [&] {
        if (named) out.push_back(std::move(current));
        current = Printer{};
        named = false;
      });
  return out;
}

DWORD JobStatusOf(int state) {
  switch (state) {
    case IPP_JSTATE_HELD: return JOB_STATUS_PAUSED;
    case IPP_JSTATE_PROCESSING: return JOB_STATUS_PRINTING;
    case IPP_JSTATE_STOPPED:
    case IPP_JSTATE_ABORTED: return JOB_STATUS_ERROR;
    case IPP_JSTATE_CANCELED: return JOB_STATUS_DELETING;
    case IPP_JSTATE_COMPLETED: return JOB_STATUS_PRINTED;
    default: return 0;  // pending
  }
}

SYSTEMTIME UtcTime(int seconds) {
  SYSTEMTIME st{};
  std::time_t t = seconds;
  std::tm tm{};
  if (seconds <= 0 || !gmtime_r(&t, &tm)) return st;
  st.wYear = static_cast<WORD>(tm.tm_year + 1900);
  st.wMonth = static_cast<WORD>(tm.tm_mon + 1);
  st.wDayOfWeek = static_cast<WORD>(tm.tm_wday);
  st.wDay = static_cast<WORD>(tm.tm_mday);
  st.wHour = static_cast<WORD>(tm.tm_hour);
  st.wMinute = static_cast<WORD>(tm.tm_min);
  st.wSecond = static_cast<WORD>(std::min(tm.tm_sec, 59));
  return st;
}

DWORD Count(ipp_attribute_t* a) { return static_cast<DWORD>(std::max(ippGetInteger(a, 0), 0)); }

void ReadJobAttribute(ipp_attribute_t* a, Job& job) {
  std::string_view n = ippGetName(a);
  if (n == "job-id") job.id = Count(a);
  else if (n == "job-originating-user-name") job.user = Text(a);
  else if (n == "job-name") job.document = Text(a);
  else if (n == "job-state") job.status = JobStatusOf(ippGetInteger(a, 0));
  else if (n == "job-priority") job.priority = Count(a);
  else if (n == "job-impressions") job.totalPages = Count(a);
  else if (n == "job-impressions-completed") job.pagesPrinted = Count(a);
  else if (n == "time-at-creation") job.submitted = UtcTime(ippGetInteger(a, 0));
}

// The queue name at the end of a printer URI ("ipp://host/printers/name").
std::string QueueOfUri(const std::string& uri) {
  std::size_t slash = uri.find_last_of('/');
  return slash == std::string::npos ? std::string{} : uri.substr(slash + 1);
}

}  // namespace

namespace {

// Sends a printer request with the attributes read here and gives the
// printers of the answer.
LONG AskPrinters(const std::string& server, ipp_t* request, LONG notFound, std::vector<Printer>& out) {
  static const char* const kAttributes[] = {"printer-name", "printer-type", "device-uri", "printer-info",
                                            "printer-state", "queued-job-count"};
  RequestAttributes(request, kAttributes, static_cast<int>(std::size(kAttributes)));
  Exchange x;
  Send(server, request, "/", notFound, x);
  if (x.result == ERROR_SUCCESS) out = PrintersOf(x.response.p);
  return x.result;
}

}  // namespace

LONG CupsSpooler::ListPrinters(std::vector<Printer>& out) {
  out.clear();
  ipp_t* request = ippNewRequest(IPP_OP_CUPS_GET_PRINTERS);
  if (!request) return ERROR_NOT_ENOUGH_MEMORY;
  // No printer at all is "not found", which is an empty list here.
  return AskPrinters(server_, request, ERROR_SUCCESS, out);
}

LONG CupsSpooler::GetPrinter(const std::string& name, Printer& out) {
  ipp_t* request = PrinterRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, name);
  if (!request) return ERROR_INVALID_PRINTER_NAME;
  std::vector<Printer> found;
  if (LONG rc = AskPrinters(server_, request, ERROR_INVALID_PRINTER_NAME, found); rc != ERROR_SUCCESS)
    return rc;
  if (found.empty()) return ERROR_INVALID_PRINTER_NAME;
  out = std::move(found.front());
  return ERROR_SUCCESS;
}

LONG CupsSpooler::ListJobs(const std::string& printer, std::vector<Job>& out) {
  ipp_t* request = PrinterRequest(IPP_OP_GET_JOBS, printer);
  if (!request) return ERROR_INVALID_PRINTER_NAME;
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "which-jobs", nullptr, "not-completed");
  static const char* const kAttributes[] = {"job-id", "job-originating-user-name", "job-name",
                                            "job-state", "job-priority", "job-impressions",
                                            "job-impressions-completed", "time-at-creation"};
  RequestAttributes(request, kAttributes, static_cast<int>(std::size(kAttributes)));
  Exchange x;
  Send(server_, request, "/", ERROR_INVALID_PRINTER_NAME, x);
  if (x.result != ERROR_SUCCESS) return x.result;
  out.clear();
  // The scheduler answers in queue order (priority, then submission).
  Job job;
  WalkGroups(
      x.response.p, IPP_TAG_JOB, [&](ipp_attribute_t* a) { ReadJobAttribute(a, job); },
      [&] {
        if (job.id > 0) out.push_back(std::move(job));
        job = Job{};
      });
  return ERROR_SUCCESS;
}

LONG CupsSpooler::ControlJob(const std::string& printer, DWORD jobId, DWORD command) {
  ipp_op_t op;
  switch (command) {
    case JOB_CONTROL_PAUSE: op = IPP_OP_HOLD_JOB; break;
    case JOB_CONTROL_RESUME: op = IPP_OP_RELEASE_JOB; break;
    case JOB_CONTROL_CANCEL: op = IPP_OP_CANCEL_JOB; break;
    case JOB_CONTROL_RESTART: op = IPP_OP_RESTART_JOB; break;
    default: return ERROR_INVALID_PARAMETER;
  }
  if (jobId == 0) return ERROR_INVALID_PARAMETER;

  // The scheduler acts on any job id whatever printer the request names, so
  // the job's own printer is checked first.
  ipp_t* ask = JobRequest(IPP_OP_GET_JOB_ATTRIBUTES, jobId);
  if (!ask) return ERROR_NOT_ENOUGH_MEMORY;
  static const char* const kAttributes[] = {"job-printer-uri"};
  RequestAttributes(ask, kAttributes, 1);
  Exchange owner;
  Send(server_, ask, "/jobs/", ERROR_INVALID_PARAMETER, owner);
  if (owner.result != ERROR_SUCCESS) return owner.result;
  ipp_attribute_t* uri = ippFindAttribute(owner.response.p, "job-printer-uri", IPP_TAG_URI);
  if (!uri || !EqualNoCase(QueueOfUri(Text(uri)), printer)) return ERROR_INVALID_PARAMETER;

  ipp_t* request = JobRequest(op, jobId);
  if (!request) return ERROR_NOT_ENOUGH_MEMORY;
  Exchange x;
  Send(server_, request, "/jobs/", ERROR_INVALID_PARAMETER, x);
  return x.result;
}

}  // namespace vlm::spooler
