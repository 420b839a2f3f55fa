// The classifier's tables on argument vectors as real servers show them.

#include <gtest/gtest.h>

#include "core/runtime/DevServerClassifier.h"

using namespace corvane;

namespace {

using Args = std::vector<std::string>;
const std::string home = "/home/dev";
const DevServerClassifier::User user{1000, home};

}  // namespace

TEST(Framework, cases_keep_their_order_and_titles)
{
    ASSERT_EQ(caseCount<Framework>(), 24u);
    EXPECT_EQ(EnumCases<Framework>::cases[1].first, Framework::vite);
    EXPECT_EQ(EnumCases<Framework>::cases[11].first, Framework::express);
    EXPECT_EQ(title(Framework::nest), "NestJS");
    EXPECT_EQ(title(Framework::other), "Server");
    DevServer server;
    server.name = "myserver";
    EXPECT_EQ(server.title(), "myserver");
    server.framework = Framework::django;
    EXPECT_EQ(server.title(), "Django");
}

TEST(DevServerClassifier, runtimes_come_from_the_executable_then_the_process_name)
{
    struct Case {
        std::string name;
        Args argv;
        std::optional<Runtime> expected;
    };
    const Case cases[] = {
        {"node", {"/usr/bin/node", "server.js"}, Runtime::node},
        {"nodejs", {}, Runtime::node},
        {"bun", {"bun", "run", "dev"}, Runtime::bun},
        {"ruby", {"/usr/bin/ruby", "bin/rails", "s"}, Runtime::ruby},
        {"php-fpm8.2", {"php-fpm"}, Runtime::php},
        {"java", {"/usr/lib/jvm/java-17/bin/java", "-jar", "app.jar"}, Runtime::java},
        {"beam.smp", {"/usr/lib/erlang/erts-13/bin/beam.smp"}, Runtime::elixir},
        {"mix", {"mix", "phx.server"}, Runtime::elixir},
        {"cargo", {"cargo", "run"}, Runtime::rust},
        {"python3.11", {"/usr/bin/Python3", "-m", "http.server"}, Runtime::python},
        // A title set by the program replaces argv; the name still tells.
        {"node", {"next-server (v14.2.3)"}, Runtime::node},
        // The operating system's own programs and installed applications.
        {"node", {"/usr/libexec/node"}, std::nullopt},
        {"node", {"/snap/code/155/usr/share/code/node"}, std::nullopt},
        {"node", {"/var/lib/flatpak/app/com.example.App/x86_64/stable/active/files/node"}, std::nullopt},
        {"node", {"/home/dev/.local/share/flatpak/app/com.example.App/current/files/node"}, std::nullopt},
        // Toolchains shipped as snaps run the user's code.
        {"node", {"/snap/node/8671/bin/node"}, Runtime::node},
        // Unrecognised programs: the user's own folders count, application folders do not.
        {"api", {"/home/dev/projects/api/target/debug/api"}, Runtime::other},
        {"helper", {"/home/dev/.local/share/SomeApp/helper"}, std::nullopt},
        {"helper", {"/home/dev/.cache/tool/helper"}, std::nullopt},
        {"helper", {"/home/developer/helper"}, std::nullopt},
        {"helper", {"/opt/tool/helper"}, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DevServerClassifier::runtime(c.name, c.argv, home), c.expected) << c.name << " " << c.argv.front();
}

TEST(DevServerClassifier, frameworks_come_from_arguments_in_matcher_order)
{
    const std::pair<Args, Framework> cases[] = {
        {{"node", "/work/shop/node_modules/.bin/next", "dev"}, Framework::nextjs},
        {{"node", "/work/shop/node_modules/.bin/Next", "vite"}, Framework::nextjs},  // matcher order, any case
        {{"nuxi", "dev"}, Framework::nuxt},
        {{"remix", "dev"}, Framework::remix},
        {{"node", "svelte-kit", "dev"}, Framework::sveltekit},
        {{"node", "/p/node_modules/astro/astro.js", "dev"}, Framework::astro},
        {{"ng", "serve"}, Framework::angular},
        {{"ng", "build", "--watch"}, Framework::other},
        {{"start-storybook", "-p", "6006"}, Framework::storybook},
        {{"node", "metro"}, Framework::expo},
        {{"node", "/p/node_modules/vite/bin/vite.js"}, Framework::vite},
        {{"webpack-dev-server", "--hot"}, Framework::webpack},
        {{"parcel", "index.html"}, Framework::parcel},
        {{"nest", "start", "--watch"}, Framework::nest},
        {{"puma", "-C", "config/puma.rb"}, Framework::rails},
        {{"php", "artisan", "serve"}, Framework::laravel},
        {{"python", "manage.py", "runserver"}, Framework::django},
        {{"python3", "manage.py", "migrate"}, Framework::python},
        {{"django-admin", "runserver"}, Framework::django},
        {{"python", "-m", "uvicorn", "main:app"}, Framework::fastapi},
        {{"flask", "run"}, Framework::flask},
        {{"streamlit", "run", "app.py"}, Framework::streamlit},
        {{"/usr/bin/python3", "/usr/local/bin/jupyter-lab"}, Framework::jupyter},
        {{"hugo", "server"}, Framework::hugo},
        // Installed packages named in the arguments, exactly as written.
        {{"node", "/p/node_modules/@remix-run/dev/dist/cli.js"}, Framework::remix},
        {{"node", "/p/node_modules/express/lib/server.js"}, Framework::express},
        {{"node", "/p/node_modules/Express/lib/server.js"}, Framework::node},
        // The fallback on the first argument.
        {{"bun", "server.ts"}, Framework::node},
        {{"python3.12", "serve.py"}, Framework::python},
        {{"./server"}, Framework::other},
        {{}, Framework::other},
    };
    for (const auto& [argv, expected] : cases)
        EXPECT_EQ(DevServerClassifier::framework(argv, {}, {}), expected) << (argv.empty() ? "" : argv.back());
}

TEST(DevServerClassifier, package_dependencies_then_marker_files_decide_when_arguments_do_not)
{
    const Args plain{"node", "server.js"};
    EXPECT_EQ(DevServerClassifier::framework(plain, {"express", "vite"}, {}), Framework::vite);
    EXPECT_EQ(DevServerClassifier::framework(plain, {"@nestjs/core", "express"}, {}), Framework::nest);
    EXPECT_EQ(DevServerClassifier::framework(plain, {"left-pad"}, {}), Framework::node);
    EXPECT_EQ(DevServerClassifier::framework({"ng", "serve"}, {"next"}, {}), Framework::angular);

    const Args python{"python3", "serve.py"};
    EXPECT_EQ(DevServerClassifier::framework(python, {}, {"manage.py", "artisan"}), Framework::django);
    EXPECT_EQ(DevServerClassifier::framework(python, {}, {"artisan"}), Framework::laravel);
    EXPECT_EQ(DevServerClassifier::framework(python, {}, {"Gemfile", "config.ru"}), Framework::rails);
    EXPECT_EQ(DevServerClassifier::framework(python, {}, {"Gemfile"}), Framework::python);
}

TEST(DevServerClassifier, categories_by_database_name_then_port_tables)
{
    EXPECT_EQ(DevServerClassifier::category(5433, "postgres"), PortCategory::database);
    EXPECT_EQ(DevServerClassifier::category(7000, "Redis-Server"), PortCategory::database);
    for (int port : {5432, 3306, 6379, 27017, 11211, 9200, 9300, 5984, 1433, 1521, 26257, 8086, 9042, 8123})
        EXPECT_EQ(DevServerClassifier::category(port, "unknown"), PortCategory::database) << port;
    for (int port : {9229, 9230, 9222, 5037, 2999, 6005, 9000, 19007, 49151})
        EXPECT_EQ(DevServerClassifier::category(port, "node"), PortCategory::dev) << port;
    for (int port : {1313, 3000, 4999, 5000, 5999, 6006, 8000, 8080, 8999, 19000, 19006})
        EXPECT_EQ(DevServerClassifier::category(port, "node"), PortCategory::web) << port;
    EXPECT_EQ(DevServerClassifier::category(49152, "node"), PortCategory::system);
    EXPECT_EQ(DevServerClassifier::category(60000, "node"), PortCategory::system);
}

TEST(DevServerClassifier, dev_servers_are_the_users_own_runtimes_outside_system_folders_and_databases)
{
    const Args node{"node", "server.js"};
    EXPECT_TRUE(DevServerClassifier::isDevServer("node", "/usr/bin/node", node, 1000, 3000, user));
    EXPECT_FALSE(DevServerClassifier::isDevServer("node", "/usr/bin/node", node, 0, 3000, user));
    EXPECT_FALSE(DevServerClassifier::isDevServer("node", "/usr/sbin/node", node, 1000, 3000, user));
    EXPECT_FALSE(DevServerClassifier::isDevServer("node", "/usr/bin/node", node, 1000, 5432, user));
    EXPECT_FALSE(DevServerClassifier::isDevServer("postgres", "/usr/lib/postgresql/15/bin/postgres",
                                                  {"postgres", "-p", "5433"}, 1000, 5433, user));
    // Without arguments the executable path decides.
    EXPECT_TRUE(DevServerClassifier::isDevServer("api", "/home/dev/src/api/api", {}, 1000, 8080, user));
    EXPECT_FALSE(DevServerClassifier::isDevServer("api", "/home/dev/.local/share/api/api", {}, 1000, 8080, user));
    EXPECT_FALSE(DevServerClassifier::isDevServer("code", "/snap/code/155/code", {}, 1000, 9229, user));
}
