#include "desktop/gio_keyring.h"

#include <libsecret/secret.h>

namespace desktop::keyring {
namespace {

// The keyring's passwords GIO saved for `user` on the SMB server `server`.
GHashTable* SmbPasswordQuery(const std::string& server, const std::string& user) {
  GHashTable* query = g_hash_table_new_full(g_str_hash, g_str_equal, g_free, g_free);
  g_hash_table_insert(query, g_strdup("server"), g_strdup(server.c_str()));
  g_hash_table_insert(query, g_strdup("protocol"), g_strdup("smb"));
  g_hash_table_insert(query, g_strdup("user"), g_strdup(user.c_str()));
  return query;
}

}  // namespace

void ReleaseEntries(SavedEntries& entries) {
  for (GHashTable* attributes : entries) g_hash_table_unref(attributes);
  entries.clear();
}

bool CopySavedPasswords(const std::string& from, const std::string& to, const std::string& user,
                        SavedEntries& made, SavedEntries& originals) {
  GHashTable* query = SmbPasswordQuery(from, user);
  GError* error = nullptr;
  GList* found = secret_password_searchv_sync(
      SECRET_SCHEMA_COMPAT_NETWORK, query,
      static_cast<SecretSearchFlags>(SECRET_SEARCH_ALL | SECRET_SEARCH_UNLOCK |
                                     SECRET_SEARCH_LOAD_SECRETS),
      nullptr, &error);
  g_hash_table_unref(query);
  g_clear_error(&error);
  bool copied_all = true;
  for (GList* item = found; item != nullptr; item = item->next) {
    auto* saved = static_cast<SecretRetrievable*>(item->data);
    SecretValue* value = secret_retrievable_retrieve_secret_sync(saved, nullptr, nullptr);
    GHashTable* attributes = secret_retrievable_get_attributes(saved);
    gchar* label = secret_retrievable_get_label(saved);
    if (value != nullptr && attributes != nullptr) {
      originals.push_back(g_hash_table_ref(attributes));
      // Every attribute as it was (the schema's name too, so GIO finds it),
      // with the new server.
      GHashTable* copy = g_hash_table_new_full(g_str_hash, g_str_equal, g_free, g_free);
      GHashTableIter it;
      gpointer key, text;
      g_hash_table_iter_init(&it, attributes);
      while (g_hash_table_iter_next(&it, &key, &text))
        g_hash_table_insert(copy, g_strdup(static_cast<const char*>(key)),
                            g_strdup(static_cast<const char*>(text)));
      g_hash_table_replace(copy, g_strdup("server"), g_strdup(to.c_str()));
      // The label names the share's address too ("smb://user@address/...").
      std::string shown = label != nullptr ? label : "";
      if (const auto at = shown.find(from); at != std::string::npos)
        shown.replace(at, from.size(), to);
      if (secret_password_storev_sync(nullptr, copy, SECRET_COLLECTION_DEFAULT, shown.c_str(),
                                      secret_value_get_text(value), nullptr, nullptr))
        made.push_back(copy);
      else {
        g_hash_table_unref(copy);
        copied_all = false;
      }
    } else {
      copied_all = false;
    }
    g_free(label);
    if (attributes != nullptr) g_hash_table_unref(attributes);
    if (value != nullptr) secret_value_unref(value);
  }
  g_list_free_full(found, g_object_unref);
  return copied_all;
}

bool ForgetEntries(const SavedEntries& entries) {
  bool forgotten = true;
  for (GHashTable* attributes : entries) {
    GError* error = nullptr;
    secret_password_clearv_sync(nullptr, attributes, nullptr, &error);
    forgotten = forgotten && error == nullptr;
    g_clear_error(&error);
  }
  return forgotten;
}

bool NoSavedPassword(const std::string& server, const std::string& user) {
  GHashTable* query = SmbPasswordQuery(server, user);
  GList* found = secret_password_searchv_sync(SECRET_SCHEMA_COMPAT_NETWORK, query,
                                              SECRET_SEARCH_ALL, nullptr, nullptr);
  g_hash_table_unref(query);
  const bool none = found == nullptr;
  g_list_free_full(found, g_object_unref);
  return none;
}

void ForgetSavedPasswords(const std::string& server, const std::string& user) {
  GHashTable* query = SmbPasswordQuery(server, user);
  secret_password_clearv_sync(SECRET_SCHEMA_COMPAT_NETWORK, query, nullptr, nullptr);
  g_hash_table_unref(query);
}

}  // namespace desktop::keyring
