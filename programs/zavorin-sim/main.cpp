// SPDX-License-Identifier: GPL-3.0-or-later
// zavorin-sim: the simulated Zavorin SID and Zavorin FM on a JACK or ALSA
// client with the ports "in" and "out". Prints "ready" once the ports exist,
// runs until SIGINT or SIGTERM (or until its JACK server shuts down: exit 1),
// then writes its memory to --save-dir.

#include "midi/alsa_client.h"
#include "midi/jack_client.h"
#include "patch/error.h"
#include "sim/sim_options.h"
#include "sim/sim_wire.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace zpm;

// Set before the SIGTERM that ends a run whose JACK server has shut down.
std::atomic<bool> g_serverGone{false};

void ReportSendFailure(const TMidiResult &result) {
  if (!result.Ok())
    std::cerr << "zavorin-sim: " << result.text << std::endl;
}

// The transport: received bytes go to the wire, answers to the "out" port.
class TPorts {
public:
  virtual ~TPorts() = default;
  // Stops handing received bytes to the wire.
  virtual void StopListening() = 0;
};

class TJackPorts : public TPorts {
public:
  static std::unique_ptr<TJackPorts> Open(const TSimOptions &options, TSimWire &wire,
                                          std::string &why) {
    std::unique_ptr<TJackPorts> ports(new TJackPorts);
    TJackPorts *self = ports.get();
    ports->m_client = TJackClient::Open(
        options.name, true,
        [&wire](size_t, const uint8_t *bytes, size_t count, bool) { wire.Receive(bytes, count); },
        &why,
        [self](size_t, const std::string &reason) {
          // A host that goes away is no reason to stop; a server that does is:
          // a device without its cable waits for nothing.
          if (!self->m_client->Gone())
            return;
          std::cerr << "zavorin-sim: " << reason << std::endl;
          g_serverGone = true;
          kill(getpid(), SIGTERM);
        });
    if (!ports->m_client)
      return nullptr;
    size_t in = 0, out = 0;
    TMidiResult result = ports->m_client->AddInput("in", in);
    if (result.Ok())
      result = ports->m_client->AddOutput("out", out);
    if (!result.Ok()) {
      why = result.text;
      return nullptr;
    }
    TJackClient *client = ports->m_client.get();
    wire.SetSink([client, out](const uint8_t *bytes, size_t count) {
      ReportSendFailure(client->Send(out, bytes, count));
    });
    client->SetListening(in, true);
    return ports;
  }
  void StopListening() override { m_client->SetListening(0, false); }

private:
  std::unique_ptr<TJackClient> m_client;
};

class TAlsaPorts : public TPorts, private TAlsaReceiver {
public:
  static std::unique_ptr<TAlsaPorts> Open(const TSimOptions &options, TSimWire &wire,
                                          std::string &why) {
    std::unique_ptr<TAlsaPorts> ports(new TAlsaPorts(wire));
    ports->m_client = TAlsaClient::Open(options.name, *ports, &why);
    if (!ports->m_client)
      return nullptr;
    TAlsaClient *client = ports->m_client.get();
    // To whoever is connected to our "out".
    wire.SetSink([client](const uint8_t *bytes, size_t count) {
      ReportSendFailure(client->Send(-1, 0, bytes, count));
    });
    return ports;
  }
  ~TAlsaPorts() override { m_client.reset(); }
  void StopListening() override { m_client.reset(); }

private:
  explicit TAlsaPorts(TSimWire &wire) : m_wire(wire) {}
  void SysExReceived(int, int, const uint8_t *bytes, size_t count) override {
    m_wire.Receive(bytes, count);
  }
  void ShortReceived(int, int, const uint8_t message[3], size_t length) override {
    m_wire.Receive(message, length);
  }
  void Overrun() override { std::cerr << "zavorin-sim: input overrun, events lost" << std::endl; }

  TSimWire &m_wire;
  std::unique_ptr<TAlsaClient> m_client;
};

int Run(const TSimOptions &options) {
  // The signals are taken by sigwait below; every thread started from here on
  // inherits the mask.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  TSimWire wire(options);
  const bool useAlsa = options.api == TSimApi::Alsa ||
                       (options.api == TSimApi::Auto && TAlsaClient::SequencerExists());
  std::string why;
  std::unique_ptr<TPorts> ports;
  if (useAlsa)
    ports = TAlsaPorts::Open(options, wire, why);
  else
    ports = TJackPorts::Open(options, wire, why);
  if (!ports) {
    std::cerr << "zavorin-sim: " << why << std::endl;
    return 1;
  }
  std::cout << "ready" << std::endl;

  int signal = 0;
  while (sigwait(&signals, &signal) != 0) {
  }
  // Answers still on their way are lost, as when a device is switched off.
  wire.SetSink(nullptr);
  ports->StopListening();
  wire.WaitIdle();
  ports.reset();
  if (!options.saveDir.empty())
    wire.Synth().SaveMemory(options.saveDir);
  return g_serverGone ? 1 : 0;
}

} // namespace

int main(int argc, char **argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  zpm::TSimOptions options;
  std::string error;
  if (!zpm::ParseSimOptions(args, options, error)) {
    std::cerr << "zavorin-sim: " << error << "\n" << zpm::SimUsageText();
    return 2;
  }
  if (options.help) {
    std::cout << zpm::SimUsageText();
    return 0;
  }
  try {
    return Run(options);
  } catch (const zpm::ZpmError &failure) {
    std::cerr << "zavorin-sim: " << failure.what() << std::endl;
    return 1;
  }
}
