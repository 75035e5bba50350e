#!/bin/sh
curl --user 'deploy:GIWi18 Uhbpra' https://repo.example.org/
curl -s \
  -X PUT \
  --user admin:Ta8PoySdhZEQ \
  https://repo.example.org/upload
