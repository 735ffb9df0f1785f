#pragma once
// What the WebDAV requests of the client share: the PROPFIND header lines
// and bodies, the property reads of a multistatus reply and the handling of
// hrefs. Private to the server folder.

#include <QString>

#include <optional>

#include "ZQwinSrv/foundation/EngineState.h"
#include "platform/errors/RuntimeError.h"
#include "platform/xml/DOMNode.h"

namespace OrvaneSrv {

// The header lines of the listing, sign-in and quota PROPFINDs.
inline const QString kPropfindHeaders = QStringLiteral("Depth:1\r\nContent-Type:text/xml\r\nTranslate:f\r\n");
// The header lines of the file-size PROPFIND.
inline const QString kFileSizeHeaders = QStringLiteral("Depth:1\r\nTranslate:f\r\n");

// The properties each PROPFIND asks for.
inline const QString kCheckLoginProps =
    QStringLiteral("<a:getcontentlength/><a:creationdate/><a:quota/><a:used/>");
inline const QString kListingProps =
    QStringLiteral("<a:getcontentlength/><a:getlastmodified/><a:quota/><a:used/>");
inline const QString kFileSizeProps = QStringLiteral("<a:getcontentlength/>");
inline const QString kZipFileSizeProps = QStringLiteral("<a:getcontentlength/><a:zipfilelist/>");

// The body of a PROPFIND: the service's fixed prefix, the host and account
// root in quotes as the namespace of "R", and the asked-for properties.
[[nodiscard]] QString PropfindBody(const QString& hostAndRoot, const QString& props);

// The first property `prop` ("lp0:getlastmodified", "D:quota") of `response`
// that stands in a propstat whose status is 200; a null node when there is
// none. The stock server answers asked-for properties it does not know as
// empty elements in a 404 propstat, which must not count as values.
[[nodiscard]] win::DOMNode OkProperty(const win::DOMNode& response, const QString& prop);

// An href as a server path: a full URL ("https://host/users/...") loses its
// scheme and host; a path stays as it is.
[[nodiscard]] QString HrefPath(const QString& href);

// The reason given for an HTTP status that the status table leaves without
// a text, where a failure must say why: "The Orvane server answered 404
// Not Found." (the number alone for a status without a known phrase). ""
// for what is no HTTP status.
[[nodiscard]] QString StatusReason(Long status);

// A "Content-Range" value of a download reply: "bytes 131072-196607/262144",
// "bytes 0-4/*" (the total not told: -1) or, with a 416, "bytes */262144"
// (no range: first and last -1). Nothing else parses: not a range that
// ends before it starts or beyond the total, nor a number of more than 18
// digits.
struct ContentRange {
  qint64 first = -1;
  qint64 last = -1;
  qint64 total = -1;
};
[[nodiscard]] std::optional<ContentRange> ParseContentRange(const QString& value);

// Marks the run-time error a handler is dealing with for the length of the
// handler, so that the error text it sets starts from its description.
class HandledError {
 public:
  HandledError(vb::ErrorInfo& slot, const vb::ErrorInfo& error) : slot_(slot) { slot_ = error; }
  ~HandledError() { slot_ = {}; }
  HandledError(const HandledError&) = delete;
  HandledError& operator=(const HandledError&) = delete;

 private:
  vb::ErrorInfo& slot_;
};

}  // namespace OrvaneSrv
