#include "engines/HostAnswers.h"

#include <QNetworkInformation>

bool HostAnswers::offline() const {
    return has(DLCTL_FORCEOFFLINE) || (has(DLCTL_OFFLINEIFNOTCONNECTED) && networkUnreachable());
}

HostAnswers askHost(IOleClientSite* site) {
    HostAnswers answers;
    if (!site) return answers;
    if (IDocHostUIHandler* handler = site->QueryDocHostUIHandler()) {
        TDOCHOSTUIINFO info;
        info.cbSize = sizeof(std::uint32_t) * 3;
        info.dwFlags = answers.hostFlags;
        if (SUCCEEDED(handler->GetHostInfo(&info))) answers.hostFlags = info.dwFlags;
    }
    if (IAmbientDispatch* ambient = site->QueryAmbientDispatch()) {
        Variant value;
        if (ambient->Invoke(DISPID_AMBIENT_DLCONTROL, DISPATCH_PROPERTYGET, &value) == S_OK && value.type() == VT_I4)
            answers.downloadControl = static_cast<std::uint32_t>(value.toInt());
    }
    return answers;
}

bool networkUnreachable() {
    static const bool loaded = QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability);
    if (!loaded || !QNetworkInformation::instance()) return false;   // unknown: assume it is up
    return QNetworkInformation::instance()->reachability() == QNetworkInformation::Reachability::Disconnected;
}

