#include "core/notch/Brand.h"

#include <string>

#include "core/base/Ascii.h"

namespace corvane {

std::string_view title(Brand brand)
{
    switch (brand) {
    case Brand::claude: return "Claude";
    case Brand::codex: return "Codex";
    case Brand::openai: return "OpenAI";
    case Brand::cursor: return "Cursor";
    case Brand::gemini: return "Gemini";
    case Brand::docker: return "Docker";
    case Brand::github: return "GitHub";
    case Brand::git: return "Git";
    case Brand::homebrew: return "Homebrew";
    case Brand::vscode: return "VS Code";
    case Brand::spotify: return "Spotify";
    case Brand::appleMusic: return "Apple Music";
    case Brand::youtube: return "YouTube";
    case Brand::zoom: return "Zoom";
    case Brand::meet: return "Google Meet";
    case Brand::teams: return "Microsoft Teams";
    case Brand::whatsapp: return "WhatsApp";
    case Brand::nextjs: return "Next.js";
    case Brand::vite: return "Vite";
    case Brand::nuxt: return "Nuxt";
    case Brand::remix: return "Remix";
    case Brand::svelte: return "Svelte";
    case Brand::astro: return "Astro";
    case Brand::angular: return "Angular";
    case Brand::webpack: return "webpack";
    case Brand::parcel: return "Parcel";
    case Brand::expo: return "Expo";
    case Brand::storybook: return "Storybook";
    case Brand::express: return "Express";
    case Brand::nest: return "NestJS";
    case Brand::rails: return "Rails";
    case Brand::laravel: return "Laravel";
    case Brand::django: return "Django";
    case Brand::fastapi: return "FastAPI";
    case Brand::flask: return "Flask";
    case Brand::streamlit: return "Streamlit";
    case Brand::jupyter: return "Jupyter";
    case Brand::node: return "Node.js";
    case Brand::python: return "Python";
    case Brand::bun: return "Bun";
    case Brand::deno: return "Deno";
    case Brand::ruby: return "Ruby";
    case Brand::php: return "PHP";
    case Brand::postgres: return "PostgreSQL";
    case Brand::redis: return "Redis";
    case Brand::mysql: return "MySQL";
    case Brand::mongodb: return "MongoDB";
    case Brand::nginx: return "nginx";
    case Brand::kubernetes: return "Kubernetes";
    case Brand::cloudflare: return "Cloudflare";
    case Brand::rabbitmq: return "RabbitMQ";
    case Brand::elasticsearch: return "Elasticsearch";
    case Brand::kafka: return "Kafka";
    case Brand::memcached: return "Memcached";
    case Brand::minio: return "MinIO";
    case Brand::rust: return "Rust";
    case Brand::go: return "Go";
    case Brand::typescript: return "TypeScript";
    case Brand::javascript: return "JavaScript";
    case Brand::swift: return "Swift";
    case Brand::react: return "React";
    case Brand::vue: return "Vue";
    }
    return {};
}

namespace AgentBrand {

namespace {

struct AgentName {
    std::string_view name;
    Brand brand;
};

// Longer names first, so "gemini cli" is read as one name.
constexpr AgentName agentNames[] = {
    {"claude code", Brand::claude},
    {"claude", Brand::claude},
    {"codex", Brand::codex},
    {"cursor", Brand::cursor},
    {"gemini cli", Brand::gemini},
    {"gemini", Brand::gemini},
};

bool isWordCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || static_cast<unsigned char>(c) >= 0x80;
}

}  // namespace

std::optional<Brand> fromTitle(std::string_view title)
{
    std::string lower = asciiLowercased(title);
    for (const auto& agent : agentNames) {
        if (lower == agent.name || (lower.starts_with(agent.name) && lower[agent.name.size()] == ' '))
            return agent.brand;
    }
    return std::nullopt;
}

std::optional<Brand> inText(std::string_view text)
{
    std::string lower = asciiLowercased(text);
    std::optional<Brand> found;
    std::size_t foundAt = std::string::npos;
    for (const auto& agent : agentNames) {
        for (std::size_t at = lower.find(agent.name); at != std::string::npos && at < foundAt;
             at = lower.find(agent.name, at + 1)) {
            std::size_t end = at + agent.name.size();
            bool whole = (at == 0 || !isWordCharacter(lower[at - 1]))
                && (end == lower.size() || !isWordCharacter(lower[end]));
            if (whole) {
                found = agent.brand;
                foundAt = at;
                break;
            }
        }
    }
    return found;
}

}  // namespace AgentBrand

}  // namespace corvane
