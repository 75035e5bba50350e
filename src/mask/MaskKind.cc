#include "mask/MaskKind.h"

namespace velt {
namespace mask {

namespace {

struct KindName {
  const wchar_t* one;
  const wchar_t* many;
};

// In the order of MaskKind.
const KindName kNames[kMaskKindCount] = {
    {L"credential setting", L"credential settings"},
    {L"command-line password", L"command-line passwords"},
    {L"authorization header", L"authorization headers"},
    {L"cookie header", L"cookie headers"},
    {L"URL password", L"URL passwords"},
    {L"bearer token", L"bearer tokens"},
    {L"private key", L"private keys"},
    {L"password hash", L"password hashes"},
    {L"IPsec key", L"IPsec keys"},
    {L"Kubernetes secret value", L"Kubernetes secret values"},
    {L"AWS key ID", L"AWS key IDs"},
    {L"Amazon Bedrock API key", L"Amazon Bedrock API keys"},
    {L"Google API key", L"Google API keys"},
    {L"Google OAuth secret", L"Google OAuth secrets"},
    {L"Azure client secret", L"Azure client secrets"},
    {L"Azure storage credential", L"Azure storage credentials"},
    {L"GitHub token", L"GitHub tokens"},
    {L"GitLab token", L"GitLab tokens"},
    {L"Slack token", L"Slack tokens"},
    {L"Slack webhook", L"Slack webhooks"},
    {L"JSON web token", L"JSON web tokens"},
    {L"registry credential", L"registry credentials"},
    {L"Stripe key", L"Stripe keys"},
    {L"Twilio key", L"Twilio keys"},
    {L"SendGrid key", L"SendGrid keys"},
    {L"Mailgun key", L"Mailgun keys"},
    {L"npm token", L"npm tokens"},
    {L"PyPI token", L"PyPI tokens"},
    {L"Docker Hub token", L"Docker Hub tokens"},
    {L"Vault token", L"Vault tokens"},
    {L"Terraform token", L"Terraform tokens"},
    {L"Shopify token", L"Shopify tokens"},
    {L"Atlassian token", L"Atlassian tokens"},
    {L"DigitalOcean token", L"DigitalOcean tokens"},
    {L"Heroku key", L"Heroku keys"},
    {L"Hugging Face token", L"Hugging Face tokens"},
    {L"OpenAI key", L"OpenAI keys"},
    {L"Anthropic key", L"Anthropic keys"},
    {L"Databricks token", L"Databricks tokens"},
    {L"Grafana token", L"Grafana tokens"},
    {L"New Relic key", L"New Relic keys"},
    {L"Sentry token", L"Sentry tokens"},
    {L"Linear key", L"Linear keys"},
    {L"Notion token", L"Notion tokens"},
    {L"Postman key", L"Postman keys"},
    {L"Doppler token", L"Doppler tokens"},
    {L"Pulumi token", L"Pulumi tokens"},
    {L"age secret key", L"age secret keys"},
    {L"host name", L"host names"},
    {L"IPv4 address", L"IPv4 addresses"},
    {L"IPv6 address", L"IPv6 addresses"},
    {L"MAC address", L"MAC addresses"},
};

}  // namespace

std::wstring CountText(MaskKind kind, unsigned long long count) {
  const KindName& name = kNames[static_cast<size_t>(kind)];
  return std::to_wstring(count) + L" " + (count == 1 ? name.one : name.many);
}

}  // namespace mask
}  // namespace velt
