#include "DevServerOptions.h"

#include "DevWebServer.h"
#include "game/ClientGameFactory.h"
#include "web/WebAddress.h"

CServiceSettings LobbySettings(const CDevServerOptions& options) {
    CServiceSettings settings{
        {QStringLiteral("nMaxQuerySize"), QStringLiteral("125")},
        {QStringLiteral("nMaxMatchLength"), QStringLiteral("25")},
    };
    if (!options.webHost.isEmpty()) {
        const CClientGameFactory& game = CClientGameFactory::GetFactory();
        settings.append({QStringLiteral("http"), options.webHost + QLatin1String(kAdvertPath)});
        settings.append({QStringLiteral("timer"), QString::number(options.advertRefreshSeconds)});
        settings.append({QStringLiteral("urlNews"), game.GetNewsAddress(options.webHost)});
        settings.append({QStringLiteral("urlHelp"), game.GetHelpAddress(options.webHost)});
        settings.append({QStringLiteral("urlPlayerInfoDir"),
                         options.webHost + QLatin1String(CDevWebServer::kPlayerPagesPath)});
        settings.append({QStringLiteral("urlLeagues"), options.webHost + QLatin1String(CDevWebServer::kLeaguesPath)});
        settings.append({QStringLiteral("urlLegend"), options.webHost + QLatin1String(CDevWebServer::kLegendPath)});
        settings.append({QStringLiteral("urlTallybankAccount"),
                         options.webHost + QLatin1String(CDevWebServer::kTallybankPath)});
    }
    return settings;
}
