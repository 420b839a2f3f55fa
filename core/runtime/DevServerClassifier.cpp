#include "core/runtime/DevServerClassifier.h"

#include <algorithm>
#include <array>

#include <unistd.h>

#include "core/base/Ascii.h"
#include "core/notch/KnownPaths.h"
#include "core/runtime/OwningApp.h"

namespace corvane {

namespace {

constexpr std::array<std::string_view, 14> databaseNames{
    "postgres", "postgresql", "mysqld", "mariadbd", "redis-server", "mongod", "mongos", "memcached",
    "clickhouse", "clickhouse-server", "cockroach", "influxd", "elasticsearch", "cassandra",
};
constexpr std::array databasePorts{
    5432, 3306, 6379, 27017, 11211, 9200, 9300, 5984, 1433, 1521, 26257, 8086, 9042, 8123,
};
constexpr std::array developerPorts{9229, 9230, 9222, 5037};

struct PortRange {
    int first;
    int last;
};
constexpr std::array webPorts{
    PortRange{1313, 1313}, PortRange{3000, 4999}, PortRange{5000, 5999},
    PortRange{8000, 8999}, PortRange{6006, 6006}, PortRange{19000, 19006},
};
constexpr int firstEphemeralPort = 49152;

struct RuntimeName {
    std::string_view name;
    Runtime runtime;
};
constexpr std::array runtimeNames{
    RuntimeName{"node", Runtime::node},       RuntimeName{"nodejs", Runtime::node},
    RuntimeName{"bun", Runtime::bun},         RuntimeName{"deno", Runtime::deno},
    RuntimeName{"ruby", Runtime::ruby},       RuntimeName{"php", Runtime::php},
    RuntimeName{"php-fpm", Runtime::php},     RuntimeName{"java", Runtime::java},
    RuntimeName{"dotnet", Runtime::dotnet},   RuntimeName{"beam.smp", Runtime::elixir},
    RuntimeName{"elixir", Runtime::elixir},   RuntimeName{"mix", Runtime::elixir},
    RuntimeName{"cargo", Runtime::rust},
};

// One row of the argument matchers: a base matches when it equals one of
// `names` (or starts with `prefix`), and `alongside`, when set, is one of
// the lower-cased arguments.
struct Matcher {
    Framework framework;
    std::array<std::string_view, 3> names;
    std::string_view prefix = {};
    std::string_view alongside = {};
};
const std::array matchers{
    Matcher{Framework::nextjs, {"next"}},
    Matcher{Framework::nuxt, {"nuxt", "nuxi"}},
    Matcher{Framework::remix, {"remix"}},
    Matcher{Framework::sveltekit, {"svelte-kit"}},
    Matcher{Framework::astro, {"astro", "astro.js"}},
    Matcher{Framework::angular, {"ng"}, {}, "serve"},
    Matcher{Framework::storybook, {"storybook", "start-storybook"}},
    Matcher{Framework::expo, {"expo", "metro"}},
    Matcher{Framework::vite, {"vite", "vite.js"}},
    Matcher{Framework::webpack, {"webpack", "webpack-dev-server", "webpack.js"}},
    Matcher{Framework::parcel, {"parcel"}},
    Matcher{Framework::nest, {"nest"}},
    Matcher{Framework::rails, {"rails", "puma"}},
    Matcher{Framework::laravel, {"artisan"}},
    Matcher{Framework::django, {"manage.py"}, {}, "runserver"},
    Matcher{Framework::django, {"django-admin"}},
    Matcher{Framework::fastapi, {"uvicorn", "fastapi", "hypercorn"}},
    Matcher{Framework::flask, {"flask"}},
    Matcher{Framework::streamlit, {"streamlit"}},
    Matcher{Framework::jupyter, {}, "jupyter"},
    Matcher{Framework::hugo, {"hugo"}},
};

struct Dependency {
    std::string_view package;
    Framework framework;
};
constexpr std::array dependencies{
    Dependency{"next", Framework::nextjs},
    Dependency{"nuxt", Framework::nuxt},
    Dependency{"@remix-run/dev", Framework::remix},
    Dependency{"@sveltejs/kit", Framework::sveltekit},
    Dependency{"astro", Framework::astro},
    Dependency{"@angular/core", Framework::angular},
    Dependency{"expo", Framework::expo},
    Dependency{"@storybook/react", Framework::storybook},
    Dependency{"vite", Framework::vite},
    Dependency{"@nestjs/core", Framework::nest},
    Dependency{"express", Framework::express},
};

template <typename List, typename Value>
bool contains(const List& list, const Value& value)
{
    return std::find(std::begin(list), std::end(list), value) != std::end(list);
}

std::string_view lastComponent(std::string_view path)
{
    auto slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::optional<Runtime> runtimeNamed(std::string_view candidate)
{
    for (const auto& [name, runtime] : runtimeNames) {
        if (candidate == name)
            return runtime;
    }
    if (candidate.starts_with("python"))
        return Runtime::python;
    return std::nullopt;
}

bool matches(const Matcher& matcher, std::string_view base, const std::vector<std::string>& lowered)
{
    bool named = contains(matcher.names, base) && !base.empty();
    if (!named && !(!matcher.prefix.empty() && base.starts_with(matcher.prefix)))
        return false;
    return matcher.alongside.empty() || contains(lowered, matcher.alongside);
}

}  // namespace

const DevServerClassifier::User& DevServerClassifier::User::current()
{
    static const User user{static_cast<std::uint32_t>(::geteuid()), KnownPaths::current().home().string()};
    return user;
}

bool DevServerClassifier::isSystemPath(std::string_view path) { return OwningApp::isSystemPath(path); }

std::optional<Runtime> DevServerClassifier::runtime(std::string_view name, const std::vector<std::string>& argv,
                                                    std::string_view home)
{
    std::string_view executable = argv.empty() ? name : std::string_view(argv.front());
    if (OwningApp::isOperatingSystemComponent(executable) || OwningApp::bundle(executable, home))
        return std::nullopt;
    for (const std::string& candidate : {asciiLowercased(lastComponent(executable)), asciiLowercased(name)}) {
        if (auto found = runtimeNamed(candidate))
            return found;
    }
    if (!home.empty() && executable.size() > home.size() && executable.starts_with(home)
        && executable[home.size()] == '/' && !OwningApp::isApplicationData(executable, home))
        return Runtime::other;
    return std::nullopt;
}

Framework DevServerClassifier::framework(const std::vector<std::string>& argv,
                                         const std::set<std::string>& packageDependencies,
                                         const std::set<std::string>& files)
{
    std::vector<std::string> bases;
    std::vector<std::string> lowered;
    for (const std::string& argument : argv) {
        lowered.push_back(asciiLowercased(argument));
        bases.push_back(std::string(lastComponent(lowered.back())));
    }
    for (const Matcher& matcher : matchers) {
        for (const std::string& base : bases) {
            if (matches(matcher, base, lowered))
                return matcher.framework;
        }
    }
    for (const auto& [package, framework] : dependencies) {
        std::string needle = "/node_modules/" + std::string(package) + "/";
        for (const std::string& argument : argv) {
            if (argument.find(needle) != std::string::npos)
                return framework;
        }
    }
    for (const auto& [package, framework] : dependencies) {
        if (packageDependencies.contains(std::string(package)))
            return framework;
    }
    if (files.contains("manage.py"))
        return Framework::django;
    if (files.contains("artisan"))
        return Framework::laravel;
    if (files.contains("Gemfile") && files.contains("config.ru"))
        return Framework::rails;
    std::string_view first = bases.empty() ? std::string_view() : std::string_view(bases.front());
    if (first == "node" || first == "nodejs" || first == "bun" || first == "deno")
        return Framework::node;
    if (first.starts_with("python"))
        return Framework::python;
    return Framework::other;
}

PortCategory DevServerClassifier::category(int port, std::string_view name)
{
    if (contains(databaseNames, std::string_view(asciiLowercased(name))) || contains(databasePorts, port))
        return PortCategory::database;
    if (contains(developerPorts, port))
        return PortCategory::dev;
    for (const PortRange& range : webPorts) {
        if (port >= range.first && port <= range.last)
            return PortCategory::web;
    }
    return port < firstEphemeralPort ? PortCategory::dev : PortCategory::system;
}

bool DevServerClassifier::isDevServer(std::string_view name, std::string_view path,
                                      const std::vector<std::string>& argv, std::uint32_t uid, int port,
                                      const User& user)
{
    if (uid != user.uid || isSystemPath(path) || category(port, name) == PortCategory::database)
        return false;
    return runtime(name, argv.empty() ? std::vector<std::string>{std::string(path)} : argv, user.home).has_value();
}

}  // namespace corvane
