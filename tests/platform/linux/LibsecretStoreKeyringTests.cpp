// Against a real Secret Service (gnome-keyring) on a private bus.

#include <atomic>
#include <cstdlib>
#include <optional>
#include <string>

#include <gtest/gtest.h>
#include <libsecret/secret.h>

#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QMap>

#include "core/notch/KeychainAccess.h"
#include "platform/linux/LibsecretStore.h"
#include "tests/platform/KeyringDaemon.h"
#include "tests/platform/PrivateBus.h"

using namespace corvane;
using corvane::platform::LibsecretStore;
using corvane::testing::KeyringDaemon;
using corvane::testing::PrivateBus;

namespace {

constexpr char service[] = "com.lunebox.test.telegram";
constexpr char account[] = "token";

// Calls this process sends on the bus, other than to the bus itself.
std::atomic<int> callsSent{0};

GDBusMessage* countCalls(GDBusConnection*, GDBusMessage* message, gboolean incoming, gpointer)
{
    const char* destination = g_dbus_message_get_destination(message);
    if (!incoming && destination != nullptr && std::string(destination) != "org.freedesktop.DBus")
        ++callsSent;
    return message;
}

// Another program's schema with the same two attributes.
SecretSchema anotherToolsSchema()
{
    SecretSchema schema{};
    schema.name = "org.example.Passwords";
    schema.flags = SECRET_SCHEMA_NONE;
    schema.attributes[0] = {"service", SECRET_SCHEMA_ATTRIBUTE_STRING};
    schema.attributes[1] = {"account", SECRET_SCHEMA_ATTRIBUTE_STRING};
    schema.attributes[2] = {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING};
    return schema;
}

}  // namespace

// One keyring for the suite: libsecret keeps its connection to the session
// bus for the whole process, so the bus must outlive every call.
class LibsecretStoreOnKeyring : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        qDBusRegisterMetaType<QMap<QString, QString>>();
        qDBusRegisterMetaType<QList<QDBusObjectPath>>();
        bus_ = new PrivateBus;
        keyring_ = new KeyringDaemon(*bus_);
        if (!keyring_->isRunning())
            return;
        if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS"))
            savedAddress_ = address;
        ::setenv("DBUS_SESSION_BUS_ADDRESS", bus_->address().toUtf8().constData(), 1);
        GError* error = nullptr;
        connection_ = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
        if (connection_ == nullptr) {
            g_error_free(error);
            return;
        }
        // By default losing the session bus ends the process; the bus goes away before the tests end.
        g_dbus_connection_set_exit_on_close(connection_, FALSE);
        filter_ = g_dbus_connection_add_filter(connection_, countCalls, nullptr, nullptr);
    }

    static void TearDownTestSuite()
    {
        secret_service_disconnect();
        if (connection_ != nullptr) {
            g_dbus_connection_remove_filter(connection_, filter_);
            g_dbus_connection_close_sync(connection_, nullptr, nullptr);
            g_object_unref(connection_);
            connection_ = nullptr;
        }
        if (savedAddress_)
            ::setenv("DBUS_SESSION_BUS_ADDRESS", savedAddress_->c_str(), 1);
        else
            ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
        savedAddress_.reset();
        delete keyring_;
        delete bus_;
    }

    // The number of items the keyring holds for the pair, whoever stored
    // them, asked of the service directly rather than through libsecret.
    static int storedItems(const QString& itemService, const QString& itemAccount)
    {
        QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(KeyringDaemon::serviceName),
                                                           QStringLiteral("/org/freedesktop/secrets"),
                                                           QStringLiteral("org.freedesktop.Secret.Service"),
                                                           QStringLiteral("SearchItems"));
        call << QVariant::fromValue(QMap<QString, QString>{{"service", itemService}, {"account", itemAccount}});
        QDBusMessage reply = bus_->connect().call(call);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 2) {
            ADD_FAILURE() << reply.errorMessage().toStdString();
            return -1;
        }
        auto paths = [&](int index) { return qdbus_cast<QList<QDBusObjectPath>>(reply.arguments().at(index)).size(); };
        return static_cast<int>(paths(0) + paths(1));
    }

    void SetUp() override
    {
        ASSERT_TRUE(keyring_->isRunning()) << keyring_->failure().toStdString();
        ASSERT_NE(connection_, nullptr);
    }

    static inline PrivateBus* bus_ = nullptr;
    static inline KeyringDaemon* keyring_ = nullptr;
    static inline GDBusConnection* connection_ = nullptr;
    static inline guint filter_ = 0;
    static inline std::optional<std::string> savedAddress_;
};

TEST_F(LibsecretStoreOnKeyring, a_credential_is_stored_read_replaced_and_removed)
{
    LibsecretStore store(true);
    ASSERT_EQ(*store.read(service, account), std::nullopt);

    ASSERT_TRUE(store.write(service, account, "first"));
    EXPECT_EQ(*store.read(service, account), "first");
    EXPECT_EQ(*store.read(service, "other"), std::nullopt) << "both attributes must match";

    std::string second = "zweite Zeile\nmit ümlaut";
    ASSERT_TRUE(store.write(service, account, second));
    EXPECT_EQ(*store.read(service, account), second);
    EXPECT_EQ(storedItems(service, account), 1) << "a write replaces, it does not add";

    ASSERT_TRUE(store.remove(service, account));
    EXPECT_EQ(*store.read(service, account), std::nullopt);
    EXPECT_TRUE(store.remove(service, account)) << "removing what is gone succeeds";
}

TEST_F(LibsecretStoreOnKeyring, an_item_another_tool_stored_under_the_same_service_and_account_is_found_and_replaced)
{
    const SecretSchema foreign = anotherToolsSchema();
    GError* error = nullptr;
    ASSERT_TRUE(secret_password_store_sync(&foreign, SECRET_COLLECTION_DEFAULT, "elsewhere", "from-another-tool",
                                           nullptr, &error, "service", service, "account", "shared", nullptr))
        << (error != nullptr ? error->message : "");

    LibsecretStore store(true);
    EXPECT_EQ(*store.read(service, "shared"), "from-another-tool");
    ASSERT_TRUE(store.write(service, "shared", "ours now"));
    EXPECT_EQ(*store.read(service, "shared"), "ours now");
    EXPECT_EQ(storedItems(service, "shared"), 1) << "the other tool's item must not linger beside ours";
    ASSERT_TRUE(store.remove(service, "shared"));
    EXPECT_EQ(storedItems(service, "shared"), 0);
}

TEST_F(LibsecretStoreOnKeyring, a_build_that_may_not_read_secrets_sends_nothing_to_the_keyring)
{
    LibsecretStore allowed(true);
    ASSERT_TRUE(allowed.write(service, account, "kept"));

    LibsecretStore variant(KeychainAccess::mayRead("com.lunebox.app.dev"));
    callsSent = 0;
    auto refused = variant.read(service, account);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().code, Error::Code::PermissionDenied);
    EXPECT_EQ(callsSent, 0);

    // The same read by the real app does reach it, so the count above means something.
    EXPECT_EQ(*allowed.read(service, account), "kept");
    EXPECT_GT(callsSent, 0);
    ASSERT_TRUE(allowed.remove(service, account));
}
