#pragma once
// A program context with a window and a scripted desktop, and a local server to fetch from.
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "core/memory_views.h"
#include "core/recording_desktop.h"
#include "core/settings.h"
#include "net/connection_state.h"
#include "support/local_server.h"
#include "support/temp_folder.h"

namespace kestrum::testing {

// What the server saw of one request.
struct SeenRequest {
  std::string target;  // path and query as sent
  std::string user_agent;
  std::string referer;
  bool has_referer = false;
};

class HttpTest : public ::testing::Test {
 protected:
  HttpTest() {
    program.ctx.desktop = &desktop;
    program.ctx.window = &window;
    server.server().set_logger([this](const httplib::Request& request, const httplib::Response&) {
      std::lock_guard lock(seen_mutex);
      seen.push_back({request.target, request.get_header_value("User-Agent"), request.get_header_value("Referer"),
                      request.has_header("Referer")});
    });
  }
  ~HttpTest() override { OverrideConnectionStateForTesting(std::nullopt); }

  void set(std::string_view key, std::string_view value) { WriteSetting(program.ctx, "Settings", key, value); }
  void useXmlHttp(bool on) { set("chkMSXML", on ? "1" : "0"); }
  std::string page() const { return program.root.file("page.htm"); }
  std::string pageText() const { return program.root.read("page.htm"); }
  std::string log() const { return program.root.read("program/Storage/Logs/applog.log"); }
  std::vector<SeenRequest> requests() {
    std::lock_guard lock(seen_mutex);
    return seen;
  }

  TestProgram program;
  ScriptedDesktop desktop;
  MemoryMainView window;
  std::mutex seen_mutex;
  std::vector<SeenRequest> seen;
  LocalServer server;  // last: it stops before what its logger writes to goes
};

}  // namespace kestrum::testing
