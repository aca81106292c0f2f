#pragma once
// The certificates the user chose to go on with, until the program ends: a host and the
// reason its certificate failed. Another failure on the same host (a different reason)
// is asked again; nothing is written anywhere.

#include "engines/PageRequests.h"

#include <QSet>
#include <QString>
#include <utility>

class CertificateExceptions {
public:
    void allow(const QString& host, CertificateError error);
    bool allows(const QString& host, CertificateError error) const;

private:
    QSet<std::pair<QString, int>> allowed_;
};
