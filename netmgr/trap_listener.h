// The process-wide listener for SNMP notifications (version 1 traps, version
// 2c traps and informs) that the network manager passes on to its clients.
//
// What a caller may rely on:
// - The listener binds UDP port $VLM_SNMP_TRAP_PORT (default 162) on every
//   local address when the first handler registers, and closes it when the
//   last one unregisters (from a thread other than the listener's own).
// - Every datagram that is a well-formed notification calls every registered
//   handler once, on the listener's thread, with the sender's IPv4 address
//   (host order) taken from the UDP source. Anything else is ignored.
// - Handlers run one at a time under the listener's lock. When Unregister
//   returns, the owner's handler is not running and never runs again; a
//   handler may unregister itself or others.
// - If the port cannot be bound the registration is kept and binding is
//   tried again at the next registration; listening() tells.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace vlm::netmgr {

class TrapListener {
 public:
  using Handler = std::function<void(std::uint32_t senderIpv4)>;

  static TrapListener& Instance();

  // Adds or replaces the handler of `owner`.
  void Register(const void* owner, Handler handler);
  void Unregister(const void* owner);

  bool listening() const;
  std::uint16_t port() const;
  // The socket's receive buffer in bytes as the kernel reports it (0 when not
  // listening).
  int receiveBufferBytes() const;

  ~TrapListener();

 private:
  TrapListener();
  struct State;
  State* state_;
};

// True when the datagram is an SNMP version 1 trap or a version 2c trap or
// inform: the envelope, the PDU tag and the PDU's fields are checked (an
// empty PDU is refused), not the bindings inside their list.
bool IsNotification(const std::uint8_t* data, std::size_t size);

}  // namespace vlm::netmgr
