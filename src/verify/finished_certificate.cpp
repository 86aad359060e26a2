#include "verify/finished_certificate.h"

#include "records/report_pdf.h"
#include "verify/verification_result.h"

namespace tamarack {
namespace {

CertificateHook& Hook() {
  static CertificateHook hook;
  return hook;
}

}  // namespace

void SetCertificateHook(CertificateHook hook) {
  Hook() = std::move(hook);
}

FinishedCertificate FinishCertificate(Certificate certificate) {
  FinishedCertificate finished{std::move(certificate), {}};
  finished.pdf = ReportPdf(finished.certificate.report);
  if (Hook()) Hook()(finished);
  return finished;
}

records::CertificateContent CertificateRecord(const FinishedCertificate& finished) {
  const Certificate& c = finished.certificate;
  records::CertificateContent content;
  if (!c.tests.empty()) content.title = c.tests.back().setup.tolerance.name;
  content.passed = c.Passed();
  std::string tests;
  for (const VerificationResult& test : c.tests) {
    tests.append(tests.empty() ? "" : ",").append(VerificationJson(test));
  }
  content.data = '[' + tests + ']';
  content.csv = ReportCsv(c.report);
  content.pdf = finished.pdf;
  return content;
}

}  // namespace tamarack
