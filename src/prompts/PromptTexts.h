#pragma once
// The words the frame uses for what a page asks: why a certificate failed, what a
// feature is called.

#include "engines/PageRequests.h"

#include <QString>

namespace PromptTexts {
QString certificateReason(CertificateError error);
QString featureName(PageFeature feature);
}  // namespace PromptTexts
