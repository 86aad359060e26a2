#include "verify/finished_certificate.h"

#include "records/report_pdf.h"

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

}  // namespace tamarack
