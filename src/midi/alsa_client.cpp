// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/alsa_client.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace zpm {

namespace {

// The kernel's ceiling for one client's pools: a bank dump waiting in our
// input must never overflow it while the reader catches up.
constexpr size_t kPoolSize = 2000;
constexpr size_t kInputBufferSize = 1 << 17;

TMidiResult AlsaFailure(int error) {
  return {static_cast<uint32_t>(-error), snd_strerror(error)};
}

template <class Info, void (*Free)(Info *)> struct TInfoDeleter {
  void operator()(Info *info) const { Free(info); }
};
using TClientInfo = std::unique_ptr<snd_seq_client_info_t,
                                    TInfoDeleter<snd_seq_client_info_t, snd_seq_client_info_free>>;
using TPortInfo =
    std::unique_ptr<snd_seq_port_info_t, TInfoDeleter<snd_seq_port_info_t, snd_seq_port_info_free>>;

uint8_t Low7(int value) {
  return static_cast<uint8_t>(value & 0x7F);
}

} // namespace

size_t AlsaShortMessage(const snd_seq_event_t &event, uint8_t message[3]) {
  message[0] = message[1] = message[2] = 0;
  const uint8_t noteChannel = event.data.note.channel & 0x0F;
  const uint8_t controlChannel = event.data.control.channel & 0x0F;
  const int value = event.data.control.value;
  auto channelMessage = [&](uint8_t status, uint8_t channel, int data1, int data2, size_t length) {
    message[0] = static_cast<uint8_t>(status | channel);
    message[1] = Low7(data1);
    message[2] = length == 3 ? Low7(data2) : 0;
    return length;
  };
  auto systemMessage = [&](uint8_t status, size_t length) {
    message[0] = status;
    if (length >= 2)
      message[1] = Low7(value);
    if (length == 3)
      message[2] = Low7(value >> 7);
    return length;
  };
  switch (event.type) {
  case SND_SEQ_EVENT_NOTEOFF:
    return channelMessage(0x80, noteChannel, event.data.note.note, event.data.note.velocity, 3);
  case SND_SEQ_EVENT_NOTEON:
    return channelMessage(0x90, noteChannel, event.data.note.note, event.data.note.velocity, 3);
  case SND_SEQ_EVENT_KEYPRESS:
    return channelMessage(0xA0, noteChannel, event.data.note.note, event.data.note.velocity, 3);
  case SND_SEQ_EVENT_CONTROLLER:
    return channelMessage(0xB0, controlChannel, static_cast<int>(event.data.control.param), value,
                          3);
  case SND_SEQ_EVENT_PGMCHANGE:
    return channelMessage(0xC0, controlChannel, value, 0, 2);
  case SND_SEQ_EVENT_CHANPRESS:
    return channelMessage(0xD0, controlChannel, value, 0, 2);
  case SND_SEQ_EVENT_PITCHBEND: // ALSA centres the bend on 0, the wire on 8192
    return channelMessage(0xE0, controlChannel, value + 8192, (value + 8192) >> 7, 3);
  case SND_SEQ_EVENT_QFRAME:
    return systemMessage(0xF1, 2);
  case SND_SEQ_EVENT_SONGPOS:
    return systemMessage(0xF2, 3);
  case SND_SEQ_EVENT_SONGSEL:
    return systemMessage(0xF3, 2);
  case SND_SEQ_EVENT_TUNE_REQUEST:
    return systemMessage(0xF6, 1);
  case SND_SEQ_EVENT_CLOCK:
    return systemMessage(0xF8, 1);
  case SND_SEQ_EVENT_START:
    return systemMessage(0xFA, 1);
  case SND_SEQ_EVENT_CONTINUE:
    return systemMessage(0xFB, 1);
  case SND_SEQ_EVENT_STOP:
    return systemMessage(0xFC, 1);
  case SND_SEQ_EVENT_SENSING:
    return systemMessage(0xFE, 1);
  case SND_SEQ_EVENT_RESET:
    return systemMessage(0xFF, 1);
  default:
    return 0;
  }
}

bool AlsaShortEvent(const uint8_t *bytes, size_t count, snd_seq_event_t &event) {
  if (count < 2 || bytes[0] < 0x80 || bytes[0] >= 0xF0)
    return false;
  const auto channel = static_cast<unsigned char>(bytes[0] & 0x0F);
  const unsigned char data1 = bytes[1] & 0x7F;
  const unsigned char data2 = count >= 3 ? bytes[2] & 0x7F : 0;
  switch (bytes[0] & 0xF0) {
  case 0x80:
    snd_seq_ev_set_noteoff(&event, channel, data1, data2);
    break;
  case 0x90:
    snd_seq_ev_set_noteon(&event, channel, data1, data2);
    break;
  case 0xA0:
    snd_seq_ev_set_keypress(&event, channel, data1, data2);
    break;
  case 0xB0:
    snd_seq_ev_set_controller(&event, channel, data1, data2);
    break;
  case 0xC0:
    snd_seq_ev_set_pgmchange(&event, channel, data1);
    break;
  case 0xD0:
    snd_seq_ev_set_chanpress(&event, channel, data1);
    break;
  default: // ALSA centres the bend on 0, the wire on 8192
    snd_seq_ev_set_pitchbend(&event, channel, (data1 | data2 << 7) - 8192);
    break;
  }
  return true;
}

bool AlsaPortIsHardware(int clientType, unsigned portType) {
  return clientType == SND_SEQ_KERNEL_CLIENT && (portType & SND_SEQ_PORT_TYPE_HARDWARE) != 0;
}

bool TAlsaClient::SequencerExists() {
  // Asking alsa-lib instead would print its complaint on stderr.
  const int fd = open("/dev/snd/seq", O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0)
    return false;
  close(fd);
  return true;
}

std::unique_ptr<TAlsaClient> TAlsaClient::Open(const std::string &name, TAlsaReceiver &receiver,
                                               std::string *why) {
  auto fail = [why](const std::string &text) {
    if (why)
      *why = text;
    return nullptr;
  };
  if (!SequencerExists())
    return fail("No ALSA sequencer");
  snd_seq_t *seq = nullptr;
  int result = snd_seq_open(&seq, "default", SND_SEQ_OPEN_DUPLEX, 0);
  if (result < 0)
    return fail(snd_strerror(result));
  std::unique_ptr<TAlsaClient> client(new TAlsaClient(seq, receiver));
  snd_seq_set_client_name(seq, name.c_str());
  // Best effort: a smaller pool still works, the reader drains it as it fills.
  snd_seq_set_client_pool_input(seq, kPoolSize);
  snd_seq_set_client_pool_output(seq, kPoolSize);
  snd_seq_set_input_buffer_size(seq, kInputBufferSize);
  client->m_clientId = snd_seq_client_id(seq);
  const unsigned type = SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION;
  client->m_inPort = snd_seq_create_simple_port(
      seq, "in", SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE, type);
  if (client->m_inPort < 0)
    return fail(snd_strerror(client->m_inPort));
  client->m_outPort = snd_seq_create_simple_port(
      seq, "out", SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ, type);
  if (client->m_outPort < 0)
    return fail(snd_strerror(client->m_outPort));
  // Ports and clients that go away are announced here; best effort, as
  // without it a vanished port is only noticed by its silence.
  snd_seq_connect_from(seq, client->m_inPort, SND_SEQ_CLIENT_SYSTEM, SND_SEQ_PORT_SYSTEM_ANNOUNCE);
  client->m_stopFd = eventfd(0, EFD_CLOEXEC);
  if (client->m_stopFd < 0)
    return fail("Cannot create an event descriptor");
  TAlsaClient *self = client.get();
  client->m_reader = std::thread([self] { self->ReaderLoop(); });
  return client;
}

TAlsaClient::TAlsaClient(snd_seq_t *seq, TAlsaReceiver &receiver)
    : m_seq(seq), m_receiver(receiver) {}

TAlsaClient::~TAlsaClient() {
  if (m_reader.joinable()) {
    const uint64_t one = 1;
    if (write(m_stopFd, &one, sizeof one) != sizeof one) {
      // An eventfd write only fails on overflow, and then it is readable anyway.
    }
    m_reader.join();
  }
  if (m_stopFd >= 0)
    close(m_stopFd);
  snd_seq_close(m_seq);
}

std::vector<TAlsaPort> TAlsaClient::OtherPorts(bool sources) const {
  std::vector<TAlsaPort> ports;
  snd_seq_client_info_t *rawClient = nullptr;
  snd_seq_port_info_t *rawPort = nullptr;
  if (snd_seq_client_info_malloc(&rawClient) < 0)
    return ports;
  TClientInfo clientInfo(rawClient);
  if (snd_seq_port_info_malloc(&rawPort) < 0)
    return ports;
  TPortInfo portInfo(rawPort);

  const unsigned wanted = sources ? SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ
                                  : SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE;
  const unsigned midiTypes =
      SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_SYNTH | SND_SEQ_PORT_TYPE_APPLICATION;
  snd_seq_client_info_set_client(rawClient, -1);
  while (snd_seq_query_next_client(m_seq, rawClient) >= 0) {
    const int client = snd_seq_client_info_get_client(rawClient);
    if (client == SND_SEQ_CLIENT_SYSTEM || client == m_clientId)
      continue;
    snd_seq_port_info_set_client(rawPort, client);
    snd_seq_port_info_set_port(rawPort, -1);
    while (snd_seq_query_next_port(m_seq, rawPort) >= 0) {
      const unsigned caps = snd_seq_port_info_get_capability(rawPort);
      if ((caps & wanted) != wanted || (caps & SND_SEQ_PORT_CAP_NO_EXPORT) != 0)
        continue;
      if ((snd_seq_port_info_get_type(rawPort) & midiTypes) == 0)
        continue;
      ports.push_back({client, snd_seq_port_info_get_port(rawPort),
                       std::string(snd_seq_client_info_get_name(rawClient)) + ":" +
                           snd_seq_port_info_get_name(rawPort),
                       AlsaPortIsHardware(snd_seq_client_info_get_type(rawClient),
                                          snd_seq_port_info_get_type(rawPort))});
    }
  }
  return ports;
}

TMidiResult TAlsaClient::ConnectFrom(int client, int port, bool &made) {
  const int result = snd_seq_connect_from(m_seq, m_inPort, client, port);
  made = result >= 0;
  return result < 0 && result != -EBUSY ? AlsaFailure(result) : TMidiResult{};
}

TMidiResult TAlsaClient::DisconnectFrom(int client, int port) {
  const int result = snd_seq_disconnect_from(m_seq, m_inPort, client, port);
  return result < 0 ? AlsaFailure(result) : TMidiResult{};
}

TMidiResult TAlsaClient::ConnectTo(int client, int port, bool &made) {
  const int result = snd_seq_connect_to(m_seq, m_outPort, client, port);
  made = result >= 0;
  return result < 0 && result != -EBUSY ? AlsaFailure(result) : TMidiResult{};
}

TMidiResult TAlsaClient::DisconnectTo(int client, int port) {
  const int result = snd_seq_disconnect_to(m_seq, m_outPort, client, port);
  return result < 0 ? AlsaFailure(result) : TMidiResult{};
}

TMidiResult TAlsaClient::Send(int client, int port, const uint8_t *bytes, size_t count,
                              bool paced) {
  std::lock_guard<std::mutex> lock(m_sendMutex);
  TCablePacer *pacer = nullptr;
  if (paced && client >= 0)
    pacer = &m_pacers.try_emplace({client, port}, kSysExEventSize).first->second;
  for (size_t offset = 0; offset < count; offset += kSysExEventSize) {
    snd_seq_event_t event;
    snd_seq_ev_clear(&event);
    snd_seq_ev_set_source(&event, m_outPort);
    if (client < 0)
      snd_seq_ev_set_subs(&event);
    else
      snd_seq_ev_set_dest(&event, client, port);
    snd_seq_ev_set_direct(&event);
    size_t size = std::min(kSysExEventSize, count - offset);
    // A channel message goes as its own event; a message is sent alone.
    if (AlsaShortEvent(bytes, count, event))
      size = count;
    else
      snd_seq_ev_set_sysex(&event, size, const_cast<uint8_t *>(bytes + offset));
    if (pacer)
      // Sleeping costs no processor time while the cable catches up.
      std::this_thread::sleep_until(pacer->When(TCablePacer::Clock::now()));
    // A positive result counts the events still waiting in our buffer.
    const int result = snd_seq_event_output(m_seq, &event);
    if (result < 0) {
      snd_seq_drop_output(m_seq);
      return AlsaFailure(result);
    }
    if (pacer) {
      // The kernel gets each event when it is due, not in a burst.
      TMidiResult drained = DrainAll();
      if (!drained.Ok())
        return drained;
      pacer->Sent(size, TCablePacer::Clock::now());
    }
  }
  return DrainAll();
}

TMidiResult TAlsaClient::DrainAll() {
  for (;;) {
    // The bytes still in our buffer, or an error.
    const int result = snd_seq_drain_output(m_seq);
    if (result == 0)
      return {};
    if (result < 0 && result != -EAGAIN && result != -EINTR) {
      snd_seq_drop_output(m_seq);
      return AlsaFailure(result);
    }
    // The kernel's pool is full: wait until it takes more.
    const int descriptors = snd_seq_poll_descriptors_count(m_seq, POLLOUT);
    std::vector<pollfd> fds(static_cast<size_t>(std::max(descriptors, 1)));
    snd_seq_poll_descriptors(m_seq, fds.data(), static_cast<unsigned>(fds.size()), POLLOUT);
    if (poll(fds.data(), fds.size(), 1000) < 0 && errno != EINTR) {
      const int error = -errno;
      snd_seq_drop_output(m_seq);
      return AlsaFailure(error);
    }
  }
}

namespace {

std::string SequencerFailure(const std::string &what) {
  return "The ALSA sequencer stopped delivering MIDI input (" + what +
         "); close and open the MIDI input again.";
}

} // namespace

void TAlsaClient::ReaderLoop() {
  const int count = snd_seq_poll_descriptors_count(m_seq, POLLIN);
  if (count <= 0) {
    m_receiver.ReadFailed(SequencerFailure("no descriptor to wait on"));
    return;
  }
  std::vector<pollfd> fds(static_cast<size_t>(count) + 1);
  snd_seq_poll_descriptors(m_seq, fds.data(), static_cast<unsigned>(count), POLLIN);
  fds.back() = {m_stopFd, POLLIN, 0};
  for (;;) {
    if (poll(fds.data(), fds.size(), -1) < 0) {
      if (errno == EINTR)
        continue;
      m_receiver.ReadFailed(SequencerFailure(std::strerror(errno)));
      return;
    }
    if (fds.back().revents != 0)
      return;
    // A sequencer that reports an error stays in error: stop rather than spin.
    for (size_t index = 0; index + 1 < fds.size(); ++index)
      if (fds[index].revents & (POLLERR | POLLHUP | POLLNVAL)) {
        m_receiver.ReadFailed(SequencerFailure((fds[index].revents & POLLHUP) != 0
                                                   ? "the sequencer hung up"
                                                   : "the sequencer reported an error"));
        return;
      }
    // Read only what poll announced, so the blocking handle never blocks here.
    do {
      snd_seq_event_t *event = nullptr;
      const int result = snd_seq_event_input(m_seq, &event);
      if (result == -ENOSPC) {
        m_receiver.Overrun();
        break;
      }
      if (result == -EAGAIN || result == -EINTR)
        break;
      if (result < 0) {
        m_receiver.ReadFailed(SequencerFailure(snd_strerror(result)));
        return;
      }
      if (event)
        Dispatch(*event);
    } while (snd_seq_event_input_pending(m_seq, 0) > 0);
  }
}

void TAlsaClient::Dispatch(const snd_seq_event_t &event) {
  switch (event.type) {
  case SND_SEQ_EVENT_CLIENT_EXIT:
    m_receiver.PortGone(event.data.addr.client, -1);
    return;
  case SND_SEQ_EVENT_PORT_EXIT:
    m_receiver.PortGone(event.data.addr.client, event.data.addr.port);
    return;
  case SND_SEQ_EVENT_PORT_UNSUBSCRIBED:
    // Only a connection into our input matters: the port it came from is
    // gone for us, whoever removed it.
    if (event.data.connect.dest.client == m_clientId && event.data.connect.dest.port == m_inPort)
      m_receiver.PortGone(event.data.connect.sender.client, event.data.connect.sender.port);
    return;
  default:
    break;
  }
  if (event.type == SND_SEQ_EVENT_SYSEX) {
    if ((event.flags & SND_SEQ_EVENT_LENGTH_MASK) == SND_SEQ_EVENT_LENGTH_VARIABLE)
      m_receiver.SysExReceived(event.source.client, event.source.port,
                               static_cast<const uint8_t *>(event.data.ext.ptr),
                               event.data.ext.len);
    return;
  }
  uint8_t message[3];
  const size_t length = AlsaShortMessage(event, message);
  if (length > 0)
    m_receiver.ShortReceived(event.source.client, event.source.port, message, length);
}

} // namespace zpm
