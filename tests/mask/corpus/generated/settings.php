<?php
$db = array(
  'password' => 'XG7pZ3svtWge',
  "db_secret" => "SxPCo4tTqm3t",
  :password => "q4CfOIoCBhPr",
);
