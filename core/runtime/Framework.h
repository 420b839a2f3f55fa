#pragma once
// What a development server runs on (`Runtime`) and which framework serves
// it (`Framework`), both stored by case name.

#include <array>
#include <string_view>
#include <utility>

#include "core/base/RawEnum.h"

namespace corvane {

enum class Runtime { node, bun, deno, python, ruby, php, java, dotnet, rust, elixir, other };

template <>
struct EnumCases<Runtime> {
    static constexpr std::array cases{
        std::pair{Runtime::node, std::string_view("node")},
        std::pair{Runtime::bun, std::string_view("bun")},
        std::pair{Runtime::deno, std::string_view("deno")},
        std::pair{Runtime::python, std::string_view("python")},
        std::pair{Runtime::ruby, std::string_view("ruby")},
        std::pair{Runtime::php, std::string_view("php")},
        std::pair{Runtime::java, std::string_view("java")},
        std::pair{Runtime::dotnet, std::string_view("dotnet")},
        std::pair{Runtime::rust, std::string_view("rust")},
        std::pair{Runtime::elixir, std::string_view("elixir")},
        std::pair{Runtime::other, std::string_view("other")},
    };
};

enum class Framework {
    nextjs, vite, nuxt, remix, sveltekit, astro, angular, webpack, parcel, expo, storybook,
    express, nest, rails, laravel, django, fastapi, flask, streamlit, jupyter, hugo, node, python, other,
};

template <>
struct EnumCases<Framework> {
    static constexpr std::array cases{
        std::pair{Framework::nextjs, std::string_view("nextjs")},
        std::pair{Framework::vite, std::string_view("vite")},
        std::pair{Framework::nuxt, std::string_view("nuxt")},
        std::pair{Framework::remix, std::string_view("remix")},
        std::pair{Framework::sveltekit, std::string_view("sveltekit")},
        std::pair{Framework::astro, std::string_view("astro")},
        std::pair{Framework::angular, std::string_view("angular")},
        std::pair{Framework::webpack, std::string_view("webpack")},
        std::pair{Framework::parcel, std::string_view("parcel")},
        std::pair{Framework::expo, std::string_view("expo")},
        std::pair{Framework::storybook, std::string_view("storybook")},
        std::pair{Framework::express, std::string_view("express")},
        std::pair{Framework::nest, std::string_view("nest")},
        std::pair{Framework::rails, std::string_view("rails")},
        std::pair{Framework::laravel, std::string_view("laravel")},
        std::pair{Framework::django, std::string_view("django")},
        std::pair{Framework::fastapi, std::string_view("fastapi")},
        std::pair{Framework::flask, std::string_view("flask")},
        std::pair{Framework::streamlit, std::string_view("streamlit")},
        std::pair{Framework::jupyter, std::string_view("jupyter")},
        std::pair{Framework::hugo, std::string_view("hugo")},
        std::pair{Framework::node, std::string_view("node")},
        std::pair{Framework::python, std::string_view("python")},
        std::pair{Framework::other, std::string_view("other")},
    };
};

// The display title: "Next.js", "SvelteKit", and "Server" for `other`.
std::string_view title(Framework framework);

}  // namespace corvane
