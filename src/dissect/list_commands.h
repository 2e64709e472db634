#pragma once
// The commands of the links and images lists: copy, open, reputation pages, download, dissect,
// hand to Tavrin, save and the printout text. Each acts on one item's text or on a whole list.
#include <ctime>
#include <string>
#include <string_view>

#include "core/context.h"
#include "core/seams.h"

namespace kestrum {

inline constexpr const char* kNotAUrlMessage = "I'm sorry, the selected item does not appear to be a URL";

// Public reputation sites, opened in the browser with the item's site.
enum class ReputationSite { Braxel, MalwareDomainList, SiteAdvisor, TrustedSource, WebSniffer, WebOfTrust };
// Base address (scheme and host) of a site: a setting in section `Services`, or its default.
std::string ReputationSiteBase(Context& ctx, ReputationSite site);
// The page about the item's site, or empty text when the item is not a web address.
std::string ReputationQueryURL(Context& ctx, ReputationSite site, std::string_view item);

void CopyItemToClipboard(Context& ctx, std::string_view item);
void OpenItemInBrowser(Context& ctx, std::string_view item);
void PerformReputationQuery(Context& ctx, ReputationSite site, std::string_view item);

// The name a download suggests: after the last "/", and then after the last "=" if there is one.
std::string SuggestedDownloadName(std::string_view item);
// Downloads a link into a file the user chooses; the file is owner-only and never opened.
void DownloadLinkedFile(Context& ctx, std::string_view item);

// "Dissect this link" for a list item: an address that can travel as one argument is handed to
// DissectLink (a new instance or this window); anything else is refused with a message.
void DissectListItem(Context& ctx, std::string_view item, const std::string& own_executable);
// Starts the Tavrin executable (setting TV, asked for once) with the item as its one argument.
void SendToTavrin(Context& ctx, std::string_view item);

// The links list to a file, one line per item; `extended` adds resolution and the three lookups.
void SaveFoundLinks(Context& ctx, bool extended);
// The extended record of one link (lines joined by CR LF, no line break after the last).
std::string ExtendedRecord(Context& ctx, std::string_view link);
void SaveFoundImages(Context& ctx);

// The printed form of a list, lines joined by CR LF.
enum class ListKind { Links, Images };
std::string ListPrintout(Context& ctx, const ItemList& list, ListKind kind, const std::tm& when);

}  // namespace kestrum
