#pragma once
// Sets environment variables for its lifetime: a value, or none (removed); the old ones come back.

#include <QByteArray>
#include <QtGlobal>

#include <initializer_list>
#include <optional>
#include <utility>
#include <vector>

class EnvironmentScope {
public:
    using Setting = std::pair<const char*, std::optional<QByteArray>>;
    EnvironmentScope(std::initializer_list<Setting> settings)
    {
        for (const Setting& setting : settings) {
            saved_.emplace_back(setting.first, qEnvironmentVariableIsSet(setting.first)
                                                   ? std::optional<QByteArray>(qgetenv(setting.first))
                                                   : std::nullopt);
            Apply(setting);
        }
    }
    ~EnvironmentScope()
    {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it)
            Apply(*it);
    }
    EnvironmentScope(const EnvironmentScope&) = delete;
    EnvironmentScope& operator=(const EnvironmentScope&) = delete;

private:
    static void Apply(const Setting& setting)
    {
        if (setting.second)
            qputenv(setting.first, *setting.second);
        else
            qunsetenv(setting.first);
    }
    std::vector<Setting> saved_;
};
