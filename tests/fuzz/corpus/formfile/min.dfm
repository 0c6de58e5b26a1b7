object F: TTestBase
end
