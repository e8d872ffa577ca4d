// The update server's answers: "updates.ini" as the check reads it (server
// list, product section, version), the version comparison with the running
// program, and the masked server-list file "data.dat".

#include "app/Updater.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    const Update::TDescription description = Update::ParseDescription(bytes, QStringLiteral("GPRS_Morvo"));
    for (const QString &server : description.Servers)
        if (!Update::IsUsableBaseUrl(server))
            std::abort();   // only usable entries may come out
    if (Update::IsNewer(QStringLiteral("1.15"), description.CurrentVersion)
        && Update::IsNewer(description.CurrentVersion, QStringLiteral("1.15")))
        std::abort();       // newer both ways cannot be
    (void)Update::SameServers(description.Servers, QStringList{QStringLiteral("https://a.example/")});
    const QStringList servers = Update::DecodeServerList(bytes, 0x5A);
    (void)Update::EncodeServerList(servers, 0x5A);
    return 0;
}
