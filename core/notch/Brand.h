#pragma once
// The tool, service, framework or runtime whose mark an alert card, an inbox
// entry or a project row carries. Stored by case name.

#include <array>
#include <optional>
#include <string_view>
#include <utility>

#include "core/base/RawEnum.h"

namespace corvane {

enum class Brand {
    claude, codex, openai, cursor, gemini, docker, github, git, homebrew, vscode, spotify, appleMusic, youtube,
    zoom, meet, teams, whatsapp, nextjs, vite, nuxt, remix, svelte, astro, angular, webpack, parcel, expo,
    storybook, express, nest, rails, laravel, django, fastapi, flask, streamlit, jupyter, node, python, bun,
    deno, ruby, php, postgres, redis, mysql, mongodb, nginx, kubernetes, cloudflare, rabbitmq, elasticsearch,
    kafka, memcached, minio, rust, go, typescript, javascript, swift, react, vue,
};

template <>
struct EnumCases<Brand> {
    static constexpr std::array cases{
        std::pair{Brand::claude, std::string_view("claude")},
        std::pair{Brand::codex, std::string_view("codex")},
        std::pair{Brand::openai, std::string_view("openai")},
        std::pair{Brand::cursor, std::string_view("cursor")},
        std::pair{Brand::gemini, std::string_view("gemini")},
        std::pair{Brand::docker, std::string_view("docker")},
        std::pair{Brand::github, std::string_view("github")},
        std::pair{Brand::git, std::string_view("git")},
        std::pair{Brand::homebrew, std::string_view("homebrew")},
        std::pair{Brand::vscode, std::string_view("vscode")},
        std::pair{Brand::spotify, std::string_view("spotify")},
        std::pair{Brand::appleMusic, std::string_view("appleMusic")},
        std::pair{Brand::youtube, std::string_view("youtube")},
        std::pair{Brand::zoom, std::string_view("zoom")},
        std::pair{Brand::meet, std::string_view("meet")},
        std::pair{Brand::teams, std::string_view("teams")},
        std::pair{Brand::whatsapp, std::string_view("whatsapp")},
        std::pair{Brand::nextjs, std::string_view("nextjs")},
        std::pair{Brand::vite, std::string_view("vite")},
        std::pair{Brand::nuxt, std::string_view("nuxt")},
        std::pair{Brand::remix, std::string_view("remix")},
        std::pair{Brand::svelte, std::string_view("svelte")},
        std::pair{Brand::astro, std::string_view("astro")},
        std::pair{Brand::angular, std::string_view("angular")},
        std::pair{Brand::webpack, std::string_view("webpack")},
        std::pair{Brand::parcel, std::string_view("parcel")},
        std::pair{Brand::expo, std::string_view("expo")},
        std::pair{Brand::storybook, std::string_view("storybook")},
        std::pair{Brand::express, std::string_view("express")},
        std::pair{Brand::nest, std::string_view("nest")},
        std::pair{Brand::rails, std::string_view("rails")},
        std::pair{Brand::laravel, std::string_view("laravel")},
        std::pair{Brand::django, std::string_view("django")},
        std::pair{Brand::fastapi, std::string_view("fastapi")},
        std::pair{Brand::flask, std::string_view("flask")},
        std::pair{Brand::streamlit, std::string_view("streamlit")},
        std::pair{Brand::jupyter, std::string_view("jupyter")},
        std::pair{Brand::node, std::string_view("node")},
        std::pair{Brand::python, std::string_view("python")},
        std::pair{Brand::bun, std::string_view("bun")},
        std::pair{Brand::deno, std::string_view("deno")},
        std::pair{Brand::ruby, std::string_view("ruby")},
        std::pair{Brand::php, std::string_view("php")},
        std::pair{Brand::postgres, std::string_view("postgres")},
        std::pair{Brand::redis, std::string_view("redis")},
        std::pair{Brand::mysql, std::string_view("mysql")},
        std::pair{Brand::mongodb, std::string_view("mongodb")},
        std::pair{Brand::nginx, std::string_view("nginx")},
        std::pair{Brand::kubernetes, std::string_view("kubernetes")},
        std::pair{Brand::cloudflare, std::string_view("cloudflare")},
        std::pair{Brand::rabbitmq, std::string_view("rabbitmq")},
        std::pair{Brand::elasticsearch, std::string_view("elasticsearch")},
        std::pair{Brand::kafka, std::string_view("kafka")},
        std::pair{Brand::memcached, std::string_view("memcached")},
        std::pair{Brand::minio, std::string_view("minio")},
        std::pair{Brand::rust, std::string_view("rust")},
        std::pair{Brand::go, std::string_view("go")},
        std::pair{Brand::typescript, std::string_view("typescript")},
        std::pair{Brand::javascript, std::string_view("javascript")},
        std::pair{Brand::swift, std::string_view("swift")},
        std::pair{Brand::react, std::string_view("react")},
        std::pair{Brand::vue, std::string_view("vue")},
    };
};

// The display title: "Claude", "Next.js", "Apple Music".
std::string_view title(Brand brand);

namespace AgentBrand {

// The agent tool a title names: the whole lower-cased title is the tool's
// name ("claude code", "claude", "codex", "cursor", "gemini", "gemini cli"),
// or it begins with that name and a space ("Codex finished").
std::optional<Brand> fromTitle(std::string_view title);

// The first agent tool named in the text as a whole word, case aside.
std::optional<Brand> inText(std::string_view text);

}  // namespace AgentBrand

}  // namespace corvane
