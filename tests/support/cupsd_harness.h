// A private CUPS scheduler (`cupsd`) for spooler tests.
//
// The scheduler runs from a temporary folder of its own: configuration,
// spool, logs, state and a local socket are all there, it listens on that
// socket and on a loopback address and port of its own, writes no printcap
// outside the folder, browses nothing and asks for no authentication. Its
// program folder (ServerBin) links the system's CUPS programs and adds stub
// backends for the schemes the system lacks (socket, lpd, smb, parallel,
// serial, usb), so that queues with those device URIs can be made; a stub
// prints nothing and fails, so a queue never reaches a device unless a job
// is released.
//
// The constructor returns once the scheduler accepts connections; the
// destructor stops it by its pid (SIGTERM, then SIGKILL) and removes its
// folder. The scheduler also dies with the test process (PR_SET_PDEATHSIG).
// Clients are pointed at it explicitly: CUPS programs through Run(), libcups
// through socketPath() or UseForThisProcess(). Jobs() reads the scheduler's
// jobs through libcups' own listing, so that tests of our spooler code check
// its effects by another road.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vlm::testing {

// One job as the scheduler keeps it.
struct CupsJob {
  int id = 0;
  std::string queue;
  std::string user;
  std::string title;
  int state = 0;  // IPP job-state: 3 pending, 4 held, 5 processing, 6 stopped,
                  // 7 canceled, 8 aborted, 9 completed
};

class CupsdHarness {
 public:
  CupsdHarness();
  ~CupsdHarness();
  CupsdHarness(const CupsdHarness&) = delete;
  CupsdHarness& operator=(const CupsdHarness&) = delete;

  // The scheduler's local socket: what $CUPS_SERVER or a libcups client takes.
  const std::string& socketPath() const { return socket_; }
  // Its loopback listener.
  const std::string& host() const { return host_; }
  std::uint16_t port() const { return port_; }
  pid_t pid() const { return pid_; }
  const std::string& folder() const { return dir_; }

  // Runs a CUPS client program (lpadmin, lp, lpstat, cancel, ...) with
  // "-h <socket>" before `args`; returns its exit status (-1 when it did not
  // exit normally) and puts its standard output and error into `output`.
  int Run(const std::string& program, const std::vector<std::string>& args,
          std::string* output = nullptr) const;

  // Adds an enabled raw queue. The device URI may name only a host in
  // 127.0.0.0/8 or no host at all; anything else throws, as does a failing
  // lpadmin.
  void AddQueue(const std::string& name, const std::string& deviceUri,
                const std::string& info = {}) const;
  void RemoveQueue(const std::string& name) const;
  // Stops a queue (cupsdisable): it keeps its jobs and prints none, so that a
  // released job stays pending instead of reaching a stub backend.
  void StopQueue(const std::string& name) const;

  // Submits a file to a queue as a held job (lp -H hold), with a title
  // when one is given; returns the job id, and throws when lp fails.
  int SubmitHeld(const std::string& queue, const std::string& file,
                 const std::string& title = {}) const;
  // Writes a file into the scheduler's folder and returns its path.
  std::string WriteFile(const std::string& name, const std::string& content) const;
  // Every job the scheduler keeps, completed and cancelled ones included, in
  // the name of this process's user.
  std::vector<CupsJob> Jobs() const;
  // The job with that id (state 0 when there is none).
  CupsJob Job(int id) const;

  // Sets $CUPS_SERVER to this scheduler's socket for this process and the
  // programs it starts.
  void UseForThisProcess() const;

  // Stops the scheduler now.
  void Stop();

 private:
  std::string dir_;
  std::string socket_;
  std::string host_;
  std::uint16_t port_ = 0;
  pid_t pid_ = -1;
};

// Whether a device URI names only loopback (or no host).
bool DeviceUriIsLoopback(const std::string& uri);

}  // namespace vlm::testing
