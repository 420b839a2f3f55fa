#include "core/runtime/Framework.h"

namespace corvane {

std::string_view title(Framework framework)
{
    switch (framework) {
    case Framework::nextjs: return "Next.js";
    case Framework::vite: return "Vite";
    case Framework::nuxt: return "Nuxt";
    case Framework::remix: return "Remix";
    case Framework::sveltekit: return "SvelteKit";
    case Framework::astro: return "Astro";
    case Framework::angular: return "Angular";
    case Framework::webpack: return "Webpack";
    case Framework::parcel: return "Parcel";
    case Framework::expo: return "Expo";
    case Framework::storybook: return "Storybook";
    case Framework::express: return "Express";
    case Framework::nest: return "NestJS";
    case Framework::rails: return "Rails";
    case Framework::laravel: return "Laravel";
    case Framework::django: return "Django";
    case Framework::fastapi: return "FastAPI";
    case Framework::flask: return "Flask";
    case Framework::streamlit: return "Streamlit";
    case Framework::jupyter: return "Jupyter";
    case Framework::hugo: return "Hugo";
    case Framework::node: return "Node";
    case Framework::python: return "Python";
    case Framework::other: return "Server";
    }
    return "Server";
}

}  // namespace corvane
