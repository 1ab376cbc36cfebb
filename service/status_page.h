// The status page at "/": plain HTML and a little JavaScript that reads
// /status.json every two seconds. No outside assets.
#pragma once

namespace varnolo::service {

extern const char kStatusPageHtml[];

}  // namespace varnolo::service
