#include "mask/MaskKind.h"

namespace velt {
namespace mask {

namespace {

struct KindName {
  const wchar_t* one;
  const wchar_t* many;
  const char* key;
};

// In the order of MaskKind.
const KindName kNames[kMaskKindCount] = {
    {L"credential setting", L"credential settings", "credential_setting"},
    {L"command-line password", L"command-line passwords", "command_line_password"},
    {L"authorization header", L"authorization headers", "authorization_header"},
    {L"cookie header", L"cookie headers", "cookie_header"},
    {L"URL password", L"URL passwords", "url_password"},
    {L"bearer token", L"bearer tokens", "bearer_token"},
    {L"private key", L"private keys", "private_key"},
    {L"password hash", L"password hashes", "password_hash"},
    {L"IPsec key", L"IPsec keys", "ipsec_key"},
    {L"Kubernetes secret value", L"Kubernetes secret values", "kubernetes_secret_value"},
    {L"AWS key ID", L"AWS key IDs", "aws_key_id"},
    {L"Amazon Bedrock API key", L"Amazon Bedrock API keys", "amazon_bedrock_api_key"},
    {L"Google API key", L"Google API keys", "google_api_key"},
    {L"Google OAuth secret", L"Google OAuth secrets", "google_oauth_secret"},
    {L"Azure client secret", L"Azure client secrets", "azure_client_secret"},
    {L"Azure storage credential", L"Azure storage credentials", "azure_storage_credential"},
    {L"GitHub token", L"GitHub tokens", "github_token"},
    {L"GitLab token", L"GitLab tokens", "gitlab_token"},
    {L"Slack token", L"Slack tokens", "slack_token"},
    {L"Slack webhook", L"Slack webhooks", "slack_webhook"},
    {L"JSON web token", L"JSON web tokens", "json_web_token"},
    {L"registry credential", L"registry credentials", "registry_credential"},
    {L"Stripe key", L"Stripe keys", "stripe_key"},
    {L"Twilio key", L"Twilio keys", "twilio_key"},
    {L"SendGrid key", L"SendGrid keys", "sendgrid_key"},
    {L"Mailgun key", L"Mailgun keys", "mailgun_key"},
    {L"npm token", L"npm tokens", "npm_token"},
    {L"PyPI token", L"PyPI tokens", "pypi_token"},
    {L"Docker Hub token", L"Docker Hub tokens", "docker_hub_token"},
    {L"Vault token", L"Vault tokens", "vault_token"},
    {L"Terraform token", L"Terraform tokens", "terraform_token"},
    {L"Shopify token", L"Shopify tokens", "shopify_token"},
    {L"Atlassian token", L"Atlassian tokens", "atlassian_token"},
    {L"DigitalOcean token", L"DigitalOcean tokens", "digitalocean_token"},
    {L"Heroku key", L"Heroku keys", "heroku_key"},
    {L"Hugging Face token", L"Hugging Face tokens", "hugging_face_token"},
    {L"OpenAI key", L"OpenAI keys", "openai_key"},
    {L"Anthropic key", L"Anthropic keys", "anthropic_key"},
    {L"Databricks token", L"Databricks tokens", "databricks_token"},
    {L"Grafana token", L"Grafana tokens", "grafana_token"},
    {L"New Relic key", L"New Relic keys", "new_relic_key"},
    {L"Sentry token", L"Sentry tokens", "sentry_token"},
    {L"Linear key", L"Linear keys", "linear_key"},
    {L"Notion token", L"Notion tokens", "notion_token"},
    {L"Postman key", L"Postman keys", "postman_key"},
    {L"Doppler token", L"Doppler tokens", "doppler_token"},
    {L"Pulumi token", L"Pulumi tokens", "pulumi_token"},
    {L"age secret key", L"age secret keys", "age_secret_key"},
    {L"host name", L"host names", "host_name"},
    {L"IPv4 address", L"IPv4 addresses", "ipv4_address"},
    {L"IPv6 address", L"IPv6 addresses", "ipv6_address"},
    {L"MAC address", L"MAC addresses", "mac_address"},
};

}  // namespace

std::wstring CountText(MaskKind kind, unsigned long long count) {
  const KindName& name = kNames[static_cast<size_t>(kind)];
  return std::to_wstring(count) + L" " + (count == 1 ? name.one : name.many);
}

const char* KindKey(MaskKind kind) { return kNames[static_cast<size_t>(kind)].key; }

}  // namespace mask
}  // namespace velt
