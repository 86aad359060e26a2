#pragma once

// Where every finished certificate passes, the Test Scale window's and the command line's alike:
// laid out as a PDF (Qt Gui: a program without windows makes its QGuiApplication on the
// "offscreen" platform) and handed to whoever keeps certificates.

#include <functional>
#include <string>

#include "records/record.h"
#include "verify/certificate.h"

namespace tamarack {

struct FinishedCertificate {
  Certificate certificate;  // the tests, the verdict and the report
  std::string pdf;          // the report's PDF bytes
};

// Told of each certificate once its test is over; set once by the program (none by default).
using CertificateHook = std::function<void(const FinishedCertificate&)>;
void SetCertificateHook(CertificateHook hook);

// Lays out the certificate's PDF and tells the hook.
FinishedCertificate FinishCertificate(Certificate certificate);

// The certificate as the records keep it: titled by the tolerances applied, its tests' results as
// a JSON array (one VerificationJson per test, as found first), its CSV and its PDF.
records::CertificateContent CertificateRecord(const FinishedCertificate& finished);

}  // namespace tamarack
