#pragma once
// The image references of a saved page: sources of image tags, "url(" references and background
// attributes, found by sliding a window over the page's bytes and cutting the reference out of
// the 150 characters that follow a marker.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace kestrum {

// Longest reference kept, the host put in front included.
inline constexpr size_t kImageReferenceLimit = 150;

struct ImageScanHooks {
  // Protocol, "://" and host of the page's address; asked once, when the first reference
  // beginning with "/" needs it.
  std::function<std::string()> host_of_page;
  // Every reference that passes the finish rules, in scan order, before the duplicate test. The
  // hook may take the text.
  std::function<void(std::string&)> found;
  // Called between stretches of the page so that a window stays responsive.
  std::function<void()> yield;
};

// Scans the page as the window scan does. Window positions start at every byte; the scan ends
// with the position whose 12-character read first reaches past the end, so the last eleven
// bytes start no window. A reference window that reaches past the end holds what is there.
void FindImageReferences(std::string_view page, const ImageScanHooks& hooks);

}  // namespace kestrum
