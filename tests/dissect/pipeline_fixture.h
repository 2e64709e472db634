#pragma once
// A program with memory views, a scripted desktop, a table resolver, and a local site that also
// answers the lookup services' requests.
#include <gtest/gtest.h>

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "core/memory_views.h"
#include "core/recording_desktop.h"
#include "core/settings.h"
#include "net/connection_state.h"
#include "net/table_resolver.h"
#include "support/local_server.h"
#include "support/temp_folder.h"

namespace kestrum::testing {

class PipelineTest : public ::testing::Test {
 protected:
  PipelineTest() {
    OverrideConnectionStateForTesting(true);
    program.ctx.desktop = &desktop;
    program.ctx.window = &window;
    program.ctx.resolver = &resolver;
    resolver.addHost("127.0.0.1", {"127.0.0.1"});
    resolver.addName("127.0.0.1", "localhost");
    site.server().set_logger([this](const httplib::Request& request, const httplib::Response&) {
      std::lock_guard lock(mutex);
      targets.push_back(request.method + " " + request.target);
    });
  }
  ~PipelineTest() override { OverrideConnectionStateForTesting(std::nullopt); }

  // Serves `body` at `path` with the given status and content type.
  void serve(const std::string& path, std::string body, int status = 200, std::string type = "text/html") {
    site.server().Get(path, [body, status, type](const httplib::Request&, httplib::Response& response) {
      response.status = status;
      response.set_content(body, type);
    });
  }
  void start() {
    site.start();
    WriteSetting(program.ctx, "Services", "KestrumServices", site.url(""));
  }
  void set(std::string_view section, std::string_view key, std::string_view value) {
    WriteSetting(program.ctx, section, key, value);
  }
  std::vector<std::string> requests() {
    std::lock_guard lock(mutex);
    return targets;
  }
  std::vector<std::string> messageTexts() const {
    std::vector<std::string> texts;
    for (const auto& m : desktop.messages) texts.push_back(m.text);
    return texts;
  }

  TestProgram program;
  ScriptedDesktop desktop;
  MemoryMainView window;
  TableResolver resolver;
  std::mutex mutex;
  std::vector<std::string> targets;
  LocalServer site;  // last: stops before what its logger writes to goes
};

}  // namespace kestrum::testing
