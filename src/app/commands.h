#pragma once
// Sub-commands of the portivox executable. Each takes the arguments after
// its own name (args[0] is the first argument) and returns the exit code.
#include <string>
#include <vector>

namespace pv::app {

using Args = std::vector<std::string>;

int ConfigCommand(const Args& args);
/// DDE over the session bus: execute, request, poke, watch, list, serve.
int DdeCommand(const Args& args);
/// The desktop program (setup window); argv as main() got it.
int RunGui(int argc, char** argv);
int EvalCommand(const Args& args);
int FormatCommand(const Args& args);
int KeysCommand(const Args& args);
/// The MQTT broker settings, connection and queues: status, set, password.
int MqttCommand(const Args& args);
/// Which device each COM number opens: list, map, unmap.
int PortsCommand(const Args& args);
int RunCommand(const Args& args);

} // namespace pv::app
